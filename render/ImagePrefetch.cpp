#include "render/ImagePrefetch.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

#include "render/EmbeddedResources.h"
#include "render/Renderer.h"
#include "render/ResourceTable.h"

namespace tolmero {
namespace {

class Prefetcher {
public:
    ~Prefetcher() { cancel(); }

    void queue(const std::vector<std::string>& names, bool linear, std::size_t maxBytesAhead) {
        // Ids and bytes are resolved here, on the loading thread, so the
        // worker needs nothing but the bytes.
        std::vector<std::shared_ptr<Entry>> entries;
        for (const std::string& name : names) {
            const std::int32_t id = currentRenderer()->registry.resourceId(name);
            const std::optional<std::span<const std::uint8_t>> bytes = findResource(id, kImageResourceType);
            if (!bytes) continue;
            auto entry = std::make_shared<Entry>();
            entry->name = name;
            entry->linear = linear;
            entry->bytes = *bytes;
            entries.push_back(std::move(entry));
        }
        std::lock_guard lock(mutex_);
        budget_ = maxBytesAhead;
        for (auto& entry : entries) entries_.push_back(std::move(entry));
        if (!worker_.joinable()) {
            stopping_ = false;
            worker_ = std::thread([this] { run(); });
        }
        changed_.notify_all();
    }

    std::optional<DecodedImage> take(const std::string& name, bool linear) {
        std::unique_lock lock(mutex_);
        auto found = std::find_if(entries_.begin(), entries_.end(), [&](const std::shared_ptr<Entry>& e) {
            return e->name == name && e->linear == linear;
        });
        if (found == entries_.end()) return std::nullopt;
        const std::shared_ptr<Entry> entry = *found;
        if (entry->state == State::Queued) {
            entries_.erase(found);  // the caller decodes it itself
            return std::nullopt;
        }
        changed_.wait(lock, [&] { return entry->state == State::Ready || stopping_; });
        std::erase(entries_, entry);
        if (entry->state != State::Ready) return std::nullopt;
        bytesWaiting_ -= entry->image.staging.size();
        changed_.notify_all();
        return std::optional<DecodedImage>(std::move(entry->image));
    }

    void cancel() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            changed_.notify_all();
        }
        if (worker_.joinable()) worker_.join();
        std::lock_guard lock(mutex_);
        entries_.clear();
        bytesWaiting_ = 0;
    }

private:
    enum class State { Queued, Decoding, Ready };
    struct Entry {
        std::string name;
        bool linear = false;
        std::span<const std::uint8_t> bytes;
        State state = State::Queued;
        DecodedImage image;
    };

    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            std::shared_ptr<Entry> next;
            changed_.wait(lock, [&] {
                if (stopping_) return true;
                if (bytesWaiting_ >= budget_) return false;
                for (auto& entry : entries_) {
                    if (entry->state == State::Queued) {
                        next = entry;
                        return true;
                    }
                }
                return false;
            });
            if (stopping_) return;
            next->state = State::Decoding;
            lock.unlock();
            DecodedImage image = decodeImage(next->bytes, next->linear, takePixelBuffer);
            lock.lock();
            bytesWaiting_ += image.staging.size();
            next->image = std::move(image);
            next->state = State::Ready;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Entry>> entries_;  // in load order
    std::size_t bytesWaiting_ = 0;                // decoded, not yet taken
    std::size_t budget_ = 0;
    bool stopping_ = false;
    std::thread worker_;
};

// Buffers kept for reuse while a batch is being prefetched.
class PixelBufferPool {
public:
    static constexpr std::size_t kMaxBuffers = 4;
    static constexpr std::size_t kMaxBytes = std::size_t(320) << 20;
    static constexpr std::size_t kMinBytes = std::size_t(1) << 20;  // smaller ones are cheap to allocate

    void activate() {
        std::lock_guard lock(mutex_);
        active_ = true;
    }

    void deactivate() {
        std::lock_guard lock(mutex_);
        active_ = false;
        free_.clear();
        keptBytes_ = 0;
    }

    PixelBuffer take(std::size_t bytes) {
        PixelBuffer buffer;
        {
            std::lock_guard lock(mutex_);
            // The smallest kept buffer that is large enough.
            auto best = free_.end();
            for (auto it = free_.begin(); it != free_.end(); ++it)
                if (it->capacity() >= bytes && (best == free_.end() || it->capacity() < best->capacity())) best = it;
            if (best != free_.end()) {
                keptBytes_ -= best->capacity();
                buffer = std::move(*best);
                free_.erase(best);
            }
        }
        buffer.resize(bytes);  // within its capacity: no allocation, no initialisation
        return buffer;
    }

    void give(PixelBuffer&& buffer) {
        std::lock_guard lock(mutex_);
        const std::size_t capacity = buffer.capacity();
        if (!active_ || capacity < kMinBytes || capacity > kMaxBytes) return;
        // Make room by dropping the smallest kept buffers.
        while (!free_.empty() && (free_.size() >= kMaxBuffers || keptBytes_ + capacity > kMaxBytes)) {
            auto smallest = std::min_element(free_.begin(), free_.end(), [](const PixelBuffer& a, const PixelBuffer& b) {
                return a.capacity() < b.capacity();
            });
            keptBytes_ -= smallest->capacity();
            free_.erase(smallest);
        }
        keptBytes_ += capacity;
        free_.push_back(std::move(buffer));
    }

private:
    std::mutex mutex_;
    std::vector<PixelBuffer> free_;
    std::size_t keptBytes_ = 0;
    bool active_ = false;
};

PixelBufferPool& pixelBufferPool() {
    static PixelBufferPool pool;
    return pool;
}

Prefetcher& prefetcher() {
    static Prefetcher instance;
    return instance;
}

}  // namespace

void prefetchImages(const std::vector<std::string>& names, bool linear, std::size_t maxBytesAhead) {
    pixelBufferPool().activate();
    prefetcher().queue(names, linear, maxBytesAhead);
}

void cancelImagePrefetch() {
    prefetcher().cancel();
    pixelBufferPool().deactivate();
}

PixelBuffer takePixelBuffer(std::size_t bytes) { return pixelBufferPool().take(bytes); }

void recyclePixelBuffer(PixelBuffer&& buffer) { pixelBufferPool().give(std::move(buffer)); }

std::optional<DecodedImage> takePrefetchedImage(const std::string& name, bool linear) {
    return prefetcher().take(name, linear);
}

}  // namespace tolmero
