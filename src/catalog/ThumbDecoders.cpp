#include "catalog/ThumbDecoders.h"

#include "catalog/ThumbPicture.h"

#include <sys/resource.h>
#include <unistd.h>

#include <exception>

namespace zv {

namespace {
constexpr int kDecoderNiceness = 10;
} // namespace

ThumbJobDone RunThumbJob(const ThumbJob& job) {
    ThumbJobDone done;
    done.result = MakeThumbFor(job.picturePath, job.box, job.colour, job.exifOrientation);
    if (done.result.outcome != ThumbOutcome::Made) return done;
    const Bitmap stored = ThumbAtDisplayDepth(done.result.thumbnail, job.screenBits, job.dither);
    done.result.thumbnail = Bitmap();
    // A folder cache removed while the folder is worked on is made again once.
    for (int attempt = 0; attempt < 2 && !done.saved; ++attempt) {
        try {
            std::filesystem::create_directories(job.folderCacheFolder);
            SaveThumbnail(job.thumbPath, stored);
            done.saved = true;
        } catch (const std::exception&) {
        }
    }
    return done;
}

ThumbDecoders::ThumbDecoders(int threads) {
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
}

ThumbDecoders::~ThumbDecoders() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void ThumbDecoders::Submit(ThumbJob job) {
    if (threads_.empty()) return;
    {
        std::lock_guard lock(mutex_);
        if (pending_.contains(job.thumbPath) || done_.contains(job.thumbPath)) return;
        pending_[job.thumbPath] = true;
        queue_.push_back(std::move(job));
    }
    wake_.notify_one();
}

bool ThumbDecoders::Has(const std::filesystem::path& thumbPath) {
    std::lock_guard lock(mutex_);
    return pending_.contains(thumbPath) || done_.contains(thumbPath);
}

std::optional<ThumbJobDone> ThumbDecoders::Take(const ThumbJob& job, bool wait) {
    if (threads_.empty()) return RunThumbJob(job);
    std::unique_lock lock(mutex_);
    if (!pending_.contains(job.thumbPath) && !done_.contains(job.thumbPath)) {
        pending_[job.thumbPath] = true;
        queue_.push_front(job);
        wake_.notify_one();
    }
    if (wait) doneSignal_.wait(lock, [&] { return done_.contains(job.thumbPath); });
    const auto found = done_.find(job.thumbPath);
    if (found == done_.end()) return std::nullopt;
    ThumbJobDone result = std::move(found->second);
    done_.erase(found);
    return result;
}

void ThumbDecoders::Clear() {
    std::lock_guard lock(mutex_);
    ++generation_;
    queue_.clear();
    pending_.clear();
    done_.clear();
}

void ThumbDecoders::Work() {
    // Below the window's thread, so that painting and input come first when
    // the cores are busy; the pass then waits a little longer for a row.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kDecoderNiceness);
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        ThumbJob job = std::move(queue_.front());
        queue_.pop_front();
        const std::uint64_t generation = generation_;
        lock.unlock();
        ThumbJobDone done = RunThumbJob(job);
        lock.lock();
        // A job of a cleared pass is dropped: its file, if written, is right anyway.
        if (generation != generation_) continue;
        pending_.erase(job.thumbPath);
        done_[job.thumbPath] = std::move(done);
        doneSignal_.notify_all();
    }
}

} // namespace zv
