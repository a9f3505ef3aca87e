#pragma once
// Memory straight from the system for big tables that are written at random:
// whole pages, zero-filled (no pass to clear them), huge pages asked for
// from 2 MiB on, so that a random access costs no page-table walk.
#include <cstddef>

namespace varnolt {

class FreshPages {
public:
    FreshPages() = default;
    // At least `bytes` of zeros; throws std::bad_alloc.
    explicit FreshPages(std::size_t bytes);
    ~FreshPages();
    FreshPages(FreshPages&& other) noexcept;
    FreshPages& operator=(FreshPages&& other) noexcept;
    FreshPages(const FreshPages&) = delete;
    FreshPages& operator=(const FreshPages&) = delete;

    char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

private:
    void Release();
    void* map_ = nullptr;
    std::size_t mapped_ = 0;
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace varnolt
