// Where a decoder reads its file from: a stream read piece by piece, so a
// decoder never needs the whole file in memory and reads no further than the
// picture it decodes. Plain C++ (the fuzz targets build the decoders alone).
#pragma once

#include "codecs/PixelBuffer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

class TByteSource {
public:
    virtual ~TByteSource() = default;
    // Up to `size` bytes; fewer only at the end of the data. -1 on a read error.
    virtual std::ptrdiff_t Read(std::uint8_t* data, std::size_t size) = 0;
    // Moves to an absolute position; false when it cannot.
    virtual bool Seek(std::uint64_t position) = 0;
    // The total length of the data.
    virtual std::uint64_t Size() const = 0;

    // Exactly `size` bytes, or false.
    bool ReadExactly(std::uint8_t* data, std::size_t size) { return Read(data, size) == std::ptrdiff_t(size); }
};

// Bytes held in memory.
class TSpanSource : public TByteSource {
public:
    explicit TSpanSource(TByteSpan data) : FData(data) {}
    std::ptrdiff_t Read(std::uint8_t* data, std::size_t size) override
    {
        const std::size_t n = std::min(size, FData.size() - FPosition);
        if (n > 0) std::memcpy(data, FData.data() + FPosition, n); // an empty span has no data pointer
        FPosition += n;
        return std::ptrdiff_t(n);
    }
    bool Seek(std::uint64_t position) override
    {
        if (position > FData.size()) return false;
        FPosition = std::size_t(position);
        return true;
    }
    std::uint64_t Size() const override { return FData.size(); }

private:
    TByteSpan FData;
    std::size_t FPosition = 0;
};

// An open file, read from its current position; `size` is its length.
class TFileSource : public TByteSource {
public:
    TFileSource(int fd, std::uint64_t size) : FFd(fd), FSize(size) {}
    std::ptrdiff_t Read(std::uint8_t* data, std::size_t size) override
    {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::read(FFd, data + done, size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return -1;
            if (n == 0) break;
            done += std::size_t(n);
            FBytesRead += std::uint64_t(n);
        }
        return std::ptrdiff_t(done);
    }
    bool Seek(std::uint64_t position) override
    {
        return position <= FSize && ::lseek(FFd, off_t(position), SEEK_SET) == off_t(position);
    }
    std::uint64_t Size() const override { return FSize; }
    // How much has been read so far.
    std::uint64_t BytesRead() const { return FBytesRead; }

private:
    int FFd;
    std::uint64_t FSize;
    std::uint64_t FBytesRead = 0;
};
