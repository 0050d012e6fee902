#pragma once
// A zero-filled array for picture-sized working data, backed by huge pages
// where the system offers them. Code that walks a picture in every direction
// (a ray stepping from row to row touches a new 4 KiB page at every step)
// spends most of its time on address translation otherwise.

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace pv {

// Raw zero-filled memory of at least `bytes`; std::bad_alloc when there is none.
void* AllocateLarge(size_t bytes);
void FreeLarge(void* p, size_t bytes);

template <typename T>
class LargeBuffer {
public:
    LargeBuffer() = default;
    explicit LargeBuffer(size_t count) : count_(count)
    {
        if (count_ > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        if (count_ > 0)
            data_ = static_cast<T*>(AllocateLarge(count_ * sizeof(T)));
    }
    ~LargeBuffer() { reset(); }
    LargeBuffer(LargeBuffer&& o) noexcept : data_(std::exchange(o.data_, nullptr)), count_(std::exchange(o.count_, 0)) {}
    LargeBuffer& operator=(LargeBuffer&& o) noexcept
    {
        if (this != &o) {
            reset();
            data_ = std::exchange(o.data_, nullptr);
            count_ = std::exchange(o.count_, 0);
        }
        return *this;
    }
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    void reset()
    {
        if (data_)
            FreeLarge(data_, count_ * sizeof(T));
        data_ = nullptr;
        count_ = 0;
    }
    T* data() { return data_; }
    const T* data() const { return data_; }
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }

private:
    T* data_ = nullptr;
    size_t count_ = 0;
};

} // namespace pv
