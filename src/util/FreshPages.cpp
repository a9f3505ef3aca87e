#include "util/FreshPages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>
#include <utility>

namespace varnolt {

namespace {
constexpr std::size_t kHuge = std::size_t{2} << 20;
constexpr std::size_t kPage = 4096;
}  // namespace

FreshPages::FreshPages(std::size_t bytes) {
    size_ = (bytes + kPage - 1) & ~(kPage - 1);
    if (size_ == 0)
        size_ = kPage;
    // A big area starts on a huge page boundary, so that all of it can be
    // backed by huge pages.
    const std::size_t align = size_ >= kHuge ? kHuge : kPage;
    mapped_ = size_ + align - kPage;
    map_ = ::mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map_ == MAP_FAILED) {
        map_ = nullptr;
        throw std::bad_alloc();
    }
    const auto at = reinterpret_cast<std::uintptr_t>(map_);
    data_ = reinterpret_cast<char*>((at + align - 1) & ~(std::uintptr_t{align} - 1));
#ifdef MADV_HUGEPAGE
    if (align == kHuge)
        ::madvise(data_, size_, MADV_HUGEPAGE);  // a hint: without it only slower
#endif
}

FreshPages::~FreshPages() {
    Release();
}

FreshPages::FreshPages(FreshPages&& other) noexcept
    : map_(std::exchange(other.map_, nullptr)),
      mapped_(std::exchange(other.mapped_, 0)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

FreshPages& FreshPages::operator=(FreshPages&& other) noexcept {
    if (this != &other) {
        Release();
        map_ = std::exchange(other.map_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void FreshPages::Release() {
    if (map_ != nullptr)
        ::munmap(map_, mapped_);
    map_ = nullptr;
}

}  // namespace varnolt
