/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Batches of files from the walker to the readers.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

#include "scan/walk.h"

namespace stubmeta_cli {

// The queue holds a few batches per reader at most: a walker that gets
// ahead waits, so memory stays the same however many files the trees hold.
class BatchQueue {
public:
    explicit BatchQueue(std::size_t capacity) : capacity_(capacity) {}

    // Waits for room, then queues batch; drops it once the queue is cancelled.
    void push(FileBatch&& batch) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            roomy_.wait(lock, [this] { return cancelled_ || batches_.size() < capacity_; });
            if (cancelled_)
                return;
            batches_.push_back(std::move(batch));
        }
        ready_.notify_one();
    }
    // No more batches will come: pop returns the ones queued, then nothing.
    void close() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
        }
        ready_.notify_all();
    }
    // The scan is stopping: the queued batches are dropped, a waiting push
    // returns at once and every pop returns nothing.
    void cancel() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            cancelled_ = closed_ = true;
            batches_.clear();
        }
        ready_.notify_all();
        roomy_.notify_all();
    }
    // The next batch, or nothing once the queue is closed and empty.
    std::optional<FileBatch> pop() {
        std::optional<FileBatch> batch;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [this] { return closed_ || !batches_.empty(); });
            if (batches_.empty())
                return batch;
            batch.emplace(std::move(batches_.front()));
            batches_.pop_front();
        }
        roomy_.notify_one();
        return batch;
    }

private:
    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable roomy_;
    std::deque<FileBatch> batches_;
    bool closed_ = false;
    bool cancelled_ = false;
};

}  // namespace stubmeta_cli
