// The memory one load or render may take, and the estimates checked against
// it before anything large is allocated: a picture that would need more is
// refused with a message naming the file (or the size) and the need, rather
// than freezing the machine while it swaps.
//
// The limit is the smaller of 2 GB and half the physical memory, unless
// CUBIFORM_MEMORY_LIMIT (bytes, or with a K, M or G suffix) or a program's
// option (cubiform-render --memory-limit) sets it. A limit is never below
// 16 MB, which the program's own pictures and a small box need.
#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace membudget {

constexpr std::int64_t kMinimumLimit = std::int64_t(16) << 20;
std::int64_t DefaultLimit();
// The limit in force: the one set by SetLimit, else the environment's, else
// the default.
std::int64_t Limit();
// 0 goes back to the environment's or the default.
void SetLimit(std::int64_t bytes);
// While it lives, Limit() on the thread that made it gives `bytes` (0
// changes nothing): each job of a batch keeps the limit it asked for.
class TThreadLimit {
public:
    explicit TThreadLimit(std::int64_t bytes);
    ~TThreadLimit();
    TThreadLimit(const TThreadLimit&) = delete;
    TThreadLimit& operator=(const TThreadLimit&) = delete;

private:
    std::int64_t FOuter;
};
// "1000000", "512K", "300M", "2G" (powers of 1024, letter case ignored);
// false for anything else, zero and negative amounts included.
bool ParseSize(const QString& text, std::int64_t& bytes);
// "1.5 GB", "300 MB", "12 KB", "100 bytes" (powers of 1024).
QString FormatSize(std::int64_t bytes);

// Four bytes a pixel; saturates instead of overflowing.
std::int64_t PictureBytes(std::int64_t width, std::int64_t height);
// a + b, saturating.
std::int64_t Sum(std::int64_t a, std::int64_t b);
// n * bytes, saturating.
std::int64_t Times(std::int64_t n, std::int64_t bytes);

} // namespace membudget

// A load or render that would need more memory than the limit.
class EMemoryBudgetError : public std::runtime_error {
public:
    // `what` names the file or the picture ("face.jpg (20000 x 20000 pixels)").
    EMemoryBudgetError(const QString& what, std::int64_t need, std::int64_t limit);
    QString Message() const { return QString::fromUtf8(std::runtime_error::what()); }
    std::int64_t Need() const { return FNeed; }

private:
    std::int64_t FNeed;
};

namespace membudget {

// Raises EMemoryBudgetError when need is over the limit.
void Check(std::int64_t need, const QString& what);
// The same for a picture of that size: the text names the size.
void CheckPicture(std::int64_t need, std::int64_t width, std::int64_t height);
// "20000 x 20000 pixels"
QString PictureSizeText(std::int64_t width, std::int64_t height);

} // namespace membudget
