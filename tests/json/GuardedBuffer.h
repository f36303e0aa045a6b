#pragma once

// A copy of a document that ends exactly where readable memory ends: the
// page after its last byte is mapped without access, so a read one byte
// past the end crashes the test instead of passing unnoticed.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace testsupport {

class GuardedBuffer {
public:
    explicit GuardedBuffer(std::string_view text)
        : pageSize_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE)))
        , readableSize_((text.size() / pageSize_ + 1) * pageSize_)
    {
        void* mapping = mmap(nullptr, readableSize_ + pageSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapping == MAP_FAILED)
            throw std::runtime_error("mmap failed");
        mapping_ = static_cast<char*>(mapping);
        if (mprotect(mapping_ + readableSize_, pageSize_, PROT_NONE) != 0) {
            munmap(mapping_, readableSize_ + pageSize_);
            throw std::runtime_error("mprotect failed");
        }
        data_ = mapping_ + readableSize_ - text.size();
        std::memcpy(data_, text.data(), text.size());
    }
    ~GuardedBuffer() { munmap(mapping_, readableSize_ + pageSize_); }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    const char* data() const noexcept { return data_; }
    std::size_t size() const noexcept { return static_cast<std::size_t>(mapping_ + readableSize_ - data_); }

private:
    std::size_t pageSize_;
    std::size_t readableSize_;
    char* mapping_ = nullptr;
    char* data_ = nullptr;
};

} // namespace testsupport
