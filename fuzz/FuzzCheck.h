#pragma once
// Helpers shared by the fuzz targets: a property check that stops the run,
// a UTF-8 check written apart from the program's own, and a place for text
// right in front of an unreadable page, so that any read past its end
// faults even inside uninstrumented library code.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace varnolt::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_REQUIRE(cond) ((cond) ? (void)0 : ::varnolt::fuzz::Fail(#cond, __FILE__, __LINE__))

// Well-formed UTF-8 by the code points it decodes to: no overlong form, no
// surrogate, nothing above U+10FFFF, no cut-off or stray byte.
inline bool WellFormedUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned b = static_cast<unsigned char>(s[i]);
        int extra;
        std::uint32_t cp;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (s.size() - i <= static_cast<std::size_t>(extra))
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr std::uint32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += 1 + extra;
    }
    return true;
}

// Holds one text at a time directly in front of a page that cannot be read.
class GuardedText {
public:
    static constexpr std::size_t kCapacity = 1 << 16;

    GuardedText() {
        page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        data_ = static_cast<char*>(mmap(nullptr, kCapacity + page_, PROT_READ | PROT_WRITE,
                                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        if (data_ == MAP_FAILED || mprotect(data_ + kCapacity, page_, PROT_NONE) != 0)
            std::abort();
    }
    ~GuardedText() { munmap(data_, kCapacity + page_); }
    GuardedText(const GuardedText&) = delete;
    GuardedText& operator=(const GuardedText&) = delete;

    // The bytes of `text` (cut to the capacity), ending at the guard page.
    std::string_view Place(std::string_view text) {
        if (text.size() > kCapacity)
            text = text.substr(0, kCapacity);
        char* at = data_ + kCapacity - text.size();
        if (!text.empty())
            std::memcpy(at, text.data(), text.size());
        return {at, text.size()};
    }

private:
    std::size_t page_ = 0;
    char* data_ = nullptr;
};

}  // namespace varnolt::fuzz
