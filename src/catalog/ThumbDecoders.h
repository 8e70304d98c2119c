#pragma once
// Worker threads that make thumbnails ahead of the thumbnail pass: each job
// decodes one picture file, fits it into the box and saves it in the cache.
// Decoding keeps no state, so the threads share nothing but the queue. With
// no threads the jobs run on the caller's thread when taken.

#include "catalog/ThumbMaker.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zv {

struct ThumbJob {
    std::string picturePath;
    std::filesystem::path thumbPath; // also the job's key
    std::filesystem::path folderCacheFolder;
    ThumbBox box;
    std::uint32_t colour = 0;
    int screenBits = 24;
    bool dither = true;
    bool exifOrientation = true; // JPEG pictures stood upright by their EXIF
};

struct ThumbJobDone {
    ThumbResult result; // its bitmap released once saved
    bool saved = false; // the thumbnail file was written
};

// Makes and saves one thumbnail.
ThumbJobDone RunThumbJob(const ThumbJob& job);

class ThumbDecoders {
public:
    explicit ThumbDecoders(int threads);
    ~ThumbDecoders();
    ThumbDecoders(const ThumbDecoders&) = delete;
    ThumbDecoders& operator=(const ThumbDecoders&) = delete;

    int Threads() const { return static_cast<int>(threads_.size()); }
    // Queues a job unless one with its path is queued, running or done.
    void Submit(ThumbJob job);
    // Whether a job with this path is queued, running or done.
    bool Has(const std::filesystem::path& thumbPath);
    // The result of the job with this path: without threads the job runs now
    // (a job never submitted included); with threads, nothing while it is
    // still queued or running, unless wait is set.
    std::optional<ThumbJobDone> Take(const ThumbJob& job, bool wait);
    // Drops the queued jobs and every result; running jobs finish unseen.
    void Clear();

private:
    void Work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable doneSignal_;
    std::deque<ThumbJob> queue_;
    std::map<std::filesystem::path, bool> pending_; // queued or running
    std::map<std::filesystem::path, ThumbJobDone> done_;
    std::uint64_t generation_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace zv
