#pragma once
// How many threads a piece of work may spread over: the machine's core count,
// narrowed for the work a thread starts while a RowThreadLimit lives on it.
// A worker that already runs one picture per core passes 1, so the passes,
// encoders and decoders it calls do not start threads of their own; the tests
// compare one thread with four.

namespace zv {

// The threads work started on this thread may use: at least 1.
int RowThreads();

class RowThreadLimit {
public:
    explicit RowThreadLimit(int threads);
    ~RowThreadLimit();
    RowThreadLimit(const RowThreadLimit&) = delete;
    RowThreadLimit& operator=(const RowThreadLimit&) = delete;

private:
    int previous_;
};

} // namespace zv
