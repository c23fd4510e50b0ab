#include "platform/mmio/Mmio.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/base/Memory.h"

struct MMIOFILE {
    int fd = -1;
    DWORD openFlags = 0;
    bool readable = false;
    bool writable = false;
    char* buffer = nullptr;
    LONG size = 0;        // 0: unbuffered
    bool ownsBuffer = false;
    std::int64_t bufOffset = 0;  // file offset of buffer[0]; the position when unbuffered
    LONG next = 0;        // current position inside the buffer
    LONG endRead = 0;     // end of the valid bytes in the buffer
    LONG dirtyEnd = 0;    // buffer[0, dirtyEnd) must be written back
};

namespace {

std::int64_t Position(const MMIOFILE* h)
{
    return h->bufOffset + h->next;
}

// Reads up to count bytes at offset, stopping early only at the end of the file.
ssize_t ReadAt(int fd, char* data, std::size_t count, std::int64_t offset)
{
    std::size_t done = 0;
    while (done < count) {
        ssize_t r = pread(fd, data + done, count - done, offset + std::int64_t(done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        done += std::size_t(r);
    }
    return ssize_t(done);
}

bool WriteAt(int fd, const char* data, std::size_t count, std::int64_t offset)
{
    std::size_t done = 0;
    while (done < count) {
        ssize_t r = pwrite(fd, data + done, count - done, offset + std::int64_t(done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += std::size_t(r);
    }
    return true;
}

bool Flush(MMIOFILE* h)
{
    if (h->dirtyEnd == 0) return true;
    if (!WriteAt(h->fd, h->buffer, std::size_t(h->dirtyEnd), h->bufOffset)) return false;
    h->dirtyEnd = 0;
    return true;
}

enum class MoveResult { Ok, WriteFailed, ReadFailed };

// Writes the buffer back and refills it from offset.
MoveResult MoveTo(MMIOFILE* h, std::int64_t offset)
{
    if (!Flush(h)) return MoveResult::WriteFailed;
    h->bufOffset = offset;
    h->next = 0;
    h->endRead = 0;
    if (h->readable && h->size > 0) {
        ssize_t r = ReadAt(h->fd, h->buffer, std::size_t(h->size), offset);
        if (r < 0) return MoveResult::ReadFailed;
        h->endRead = LONG(r);
    }
    return MoveResult::Ok;
}

bool SeekTo(MMIOFILE* h, std::int64_t target)
{
    if (target < 0) return false;
    if (target >= h->bufOffset && target <= h->bufOffset + h->endRead) {
        h->next = LONG(target - h->bufOffset);
        return true;
    }
    return MoveTo(h, target) == MoveResult::Ok;
}

LONG ReadBytes(MMIOFILE* h, char* data, LONG count)
{
    if (!h->readable || count < 0) return -1;
    if (h->size == 0) {
        ssize_t r = ReadAt(h->fd, data, std::size_t(count), h->bufOffset);
        if (r < 0) return -1;
        h->bufOffset += r;
        return LONG(r);
    }
    LONG done = 0;
    while (done < count) {
        if (h->next == h->endRead) {
            if (MoveTo(h, Position(h)) != MoveResult::Ok) return -1;
            if (h->endRead == 0) break;  // end of the file
        }
        const LONG step = std::min(count - done, h->endRead - h->next);
        std::memcpy(data + done, h->buffer + h->next, std::size_t(step));
        h->next += step;
        done += step;
    }
    return done;
}

LONG WriteBytes(MMIOFILE* h, const char* data, LONG count)
{
    if (!h->writable || count < 0) return -1;
    if (h->size == 0) {
        if (!WriteAt(h->fd, data, std::size_t(count), h->bufOffset)) return -1;
        h->bufOffset += count;
        return count;
    }
    LONG done = 0;
    while (done < count) {
        if (h->next == h->size && MoveTo(h, Position(h)) == MoveResult::WriteFailed) return -1;
        const LONG step = std::min(count - done, h->size - h->next);
        std::memcpy(h->buffer + h->next, data + done, std::size_t(step));
        h->next += step;
        h->dirtyEnd = std::max(h->dirtyEnd, h->next);
        h->endRead = std::max(h->endRead, h->next);
        done += step;
    }
    return done;
}

bool ReadExact(MMIOFILE* h, void* data, LONG count)
{
    return ReadBytes(h, static_cast<char*>(data), count) == count;
}

void PutLE32(unsigned char* out, DWORD v)
{
    out[0] = BYTE(v);
    out[1] = BYTE(v >> 8);
    out[2] = BYTE(v >> 16);
    out[3] = BYTE(v >> 24);
}

DWORD GetLE32(const unsigned char* in)
{
    return DWORD(in[0]) | (DWORD(in[1]) << 8) | (DWORD(in[2]) << 16) | (DWORD(in[3]) << 24);
}

char* AllocateBuffer(LONG size)
{
    return static_cast<char*>(GlobalAlloc(GMEM_FIXED, std::size_t(size)));
}

void ReleaseBuffer(MMIOFILE* h)
{
    if (h->ownsBuffer && h->buffer) GlobalFree(h->buffer);
    h->buffer = nullptr;
    h->ownsBuffer = false;
}

void FillInfo(const MMIOFILE* h, LPMMIOINFO info)
{
    std::memset(info, 0, sizeof *info);
    info->dwFlags = h->openFlags | (h->dirtyEnd > 0 ? MMIO_DIRTY : 0);
    info->cchBuffer = h->size;
    info->pchBuffer = h->buffer;
    info->pchNext = h->buffer + h->next;
    info->pchEndRead = h->buffer + h->endRead;
    info->pchEndWrite = h->buffer + h->size;
    info->lBufOffset = LONG(h->bufOffset);
    info->lDiskOffset = LONG(h->bufOffset + h->endRead);
    info->hmmio = const_cast<HMMIO>(h);
}

// Takes back the cursor the caller moved and, with MMIO_DIRTY, the bytes it wrote.
bool TakeInfo(MMIOFILE* h, const MMIOINFO* info)
{
    if (info->pchBuffer != h->buffer || info->pchNext < h->buffer ||
        info->pchNext > h->buffer + h->size)
        return false;
    h->next = LONG(info->pchNext - h->buffer);
    if (info->dwFlags & MMIO_DIRTY) {
        h->dirtyEnd = std::max(h->dirtyEnd, h->next);
        h->endRead = std::max(h->endRead, h->next);
    }
    return true;
}

}  // namespace

HMMIO mmioOpenA(LPCSTR fileName, LPMMIOINFO info, DWORD flags) noexcept
{
    auto fail = [info](MMRESULT reason) -> HMMIO {
        if (info) info->wErrorRet = reason;
        return nullptr;
    };
    if (!fileName) return fail(MMSYSERR_INVALPARAM);

    int access = O_RDONLY;
    bool readable = true, writable = false;
    if (flags & MMIO_READWRITE) access = O_RDWR, writable = true;
    else if (flags & MMIO_WRITE) access = O_WRONLY, readable = false, writable = true;
    if (flags & MMIO_CREATE) {
        access |= O_CREAT;
        if (!writable) access = (access & ~O_ACCMODE) | O_RDWR, writable = true;
    }

    auto* h = new (std::nothrow) MMIOFILE;
    if (!h) return fail(MMIOERR_OUTOFMEMORY);
    // Not waiting in open for the other end of a FIFO: files here are read by position,
    // so a FIFO or socket is refused below.
    h->fd = open(fileName, access | O_CLOEXEC | O_NONBLOCK, 0666);
    if (h->fd < 0) {
        const MMRESULT reason = errno == ENOENT ? MMIOERR_FILENOTFOUND : MMIOERR_CANNOTOPEN;
        delete h;
        return fail(reason);
    }
    struct stat st;
    bool usable = fstat(h->fd, &st) == 0 && !S_ISDIR(st.st_mode) && !S_ISFIFO(st.st_mode) && !S_ISSOCK(st.st_mode) &&
                  fcntl(h->fd, F_SETFL, fcntl(h->fd, F_GETFL) & ~O_NONBLOCK) == 0;
    // An empty file is left untruncated: on ext4 a truncation to zero makes the last close
    // write the whole new content out first, a long stall for whoever closes a big file.
    if (usable && (flags & MMIO_CREATE) && S_ISREG(st.st_mode) && st.st_size > 0) usable = ftruncate(h->fd, 0) == 0;
    if (!usable) {
        close(h->fd);
        delete h;
        return fail(MMIOERR_CANNOTOPEN);
    }
    h->openFlags = flags & (MMIO_READ | MMIO_WRITE | MMIO_READWRITE | MMIO_CREATE | MMIO_ALLOCBUF);
    h->readable = readable;
    h->writable = writable;
    if (flags & MMIO_ALLOCBUF) {
        const LONG size = info && info->cchBuffer > 0 ? info->cchBuffer : MMIO_DEFAULTBUFFER;
        h->buffer = AllocateBuffer(size);
        if (!h->buffer) {
            close(h->fd);
            delete h;
            return fail(MMIOERR_OUTOFMEMORY);
        }
        h->size = size;
        h->ownsBuffer = true;
        if (MoveTo(h, 0) != MoveResult::Ok) {
            mmioClose(h, 0);
            return fail(MMIOERR_CANNOTREAD);
        }
    }
    if (info) info->wErrorRet = MMSYSERR_NOERROR;
    return h;
}

MMRESULT mmioClose(HMMIO h, UINT) noexcept
{
    if (!h) return MMSYSERR_INVALHANDLE;
    MMRESULT result = MMSYSERR_NOERROR;
    if (!Flush(h)) result = MMIOERR_CANNOTWRITE;
    if (close(h->fd) != 0 && result == MMSYSERR_NOERROR) result = MMIOERR_CANNOTCLOSE;
    ReleaseBuffer(h);
    delete h;
    return result;
}

LONG mmioRead(HMMIO h, HPSTR buffer, LONG count) noexcept
{
    if (!h || (!buffer && count > 0)) return -1;
    return ReadBytes(h, buffer, count);
}

LONG mmioWrite(HMMIO h, const char* buffer, LONG count) noexcept
{
    if (!h || (!buffer && count > 0)) return -1;
    return WriteBytes(h, buffer, count);
}

LONG mmioSeek(HMMIO h, LONG offset, int origin) noexcept
{
    if (!h) return -1;
    std::int64_t target;
    switch (origin) {
    case SEEK_SET: target = offset; break;
    case SEEK_CUR: target = Position(h) + offset; break;
    case SEEK_END: {
        if (!Flush(h)) return -1;
        struct stat st;
        if (fstat(h->fd, &st) != 0) return -1;
        target = std::int64_t(st.st_size) + offset;
        break;
    }
    default: return -1;
    }
    if (target > 0x7FFFFFFF || !SeekTo(h, target)) return -1;
    return LONG(target);
}

MMRESULT mmioSetBuffer(HMMIO h, LPSTR pchBuffer, LONG count, UINT) noexcept
{
    if (!h) return MMSYSERR_INVALHANDLE;
    if (count < 0) return MMSYSERR_INVALPARAM;
    const std::int64_t position = Position(h);
    if (!Flush(h)) return MMIOERR_CANNOTWRITE;
    char* fresh = pchBuffer;
    if (!fresh && count > 0) {
        fresh = AllocateBuffer(count);
        if (!fresh) return MMIOERR_OUTOFMEMORY;
    }
    ReleaseBuffer(h);
    h->buffer = fresh;
    h->size = fresh ? count : 0;
    h->ownsBuffer = fresh && !pchBuffer;
    return MoveTo(h, position) == MoveResult::Ok ? MMSYSERR_NOERROR : MMIOERR_CANNOTREAD;
}

MMRESULT mmioGetInfo(HMMIO h, LPMMIOINFO info, UINT) noexcept
{
    if (!h) return MMSYSERR_INVALHANDLE;
    if (!info) return MMSYSERR_INVALPARAM;
    FillInfo(h, info);
    return MMSYSERR_NOERROR;
}

MMRESULT mmioSetInfo(HMMIO h, const MMIOINFO* info, UINT) noexcept
{
    if (!h) return MMSYSERR_INVALHANDLE;
    if (!info || !TakeInfo(h, info)) return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioAdvance(HMMIO h, LPMMIOINFO info, UINT flags) noexcept
{
    if (!h) return MMSYSERR_INVALHANDLE;
    if (h->size == 0) return MMIOERR_UNBUFFERED;
    if (info && !TakeInfo(h, info)) return MMSYSERR_INVALPARAM;
    const bool forWrite = (flags & MMIO_WRITE) != 0;
    if (forWrite ? !h->writable : !h->readable)
        return forWrite ? MMIOERR_CANNOTWRITE : MMIOERR_CANNOTREAD;
    switch (MoveTo(h, Position(h))) {
    case MoveResult::WriteFailed: return MMIOERR_CANNOTWRITE;
    case MoveResult::ReadFailed: return MMIOERR_CANNOTREAD;
    case MoveResult::Ok: break;
    }
    if (info) FillInfo(h, info);
    return MMSYSERR_NOERROR;
}

MMRESULT mmioDescend(HMMIO h, LPMMCKINFO ck, const MMCKINFO* parent, UINT flags) noexcept
{
    if (!h) return MMSYSERR_INVALHANDLE;
    if (!ck) return MMSYSERR_INVALPARAM;
    const std::int64_t end = parent ? std::int64_t(parent->dwDataOffset) + parent->cksize
                                    : INT64_MAX;
    for (;;) {
        const std::int64_t start = Position(h);
        if (start + 8 > end || start + 8 > 0xFFFFFFFFll) return MMIOERR_CHUNKNOTFOUND;
        unsigned char header[8];
        if (!ReadExact(h, header, 8)) return MMIOERR_CHUNKNOTFOUND;
        const FOURCC id = GetLE32(header);
        const DWORD size = GetLE32(header + 4);
        FOURCC type = 0;
        const bool hasType = id == FOURCC_RIFF || id == FOURCC_LIST;
        if (hasType) {
            unsigned char form[4];
            if (!ReadExact(h, form, 4)) return MMIOERR_CHUNKNOTFOUND;
            type = GetLE32(form);
        }
        bool match = true;
        if (flags & MMIO_FINDCHUNK) match = id == ck->ckid;
        else if (flags & MMIO_FINDRIFF) match = id == FOURCC_RIFF && type == ck->fccType;
        else if (flags & MMIO_FINDLIST) match = id == FOURCC_LIST && type == ck->fccType;
        if (match) {
            ck->ckid = id;
            ck->cksize = size;
            ck->fccType = type;
            ck->dwDataOffset = DWORD(start + 8);
            ck->dwFlags = 0;
            return MMSYSERR_NOERROR;
        }
        const std::int64_t skipTo = start + 8 + std::int64_t(size) + (size & 1);
        if (!SeekTo(h, skipTo)) return MMIOERR_CANNOTSEEK;
    }
}

MMRESULT mmioAscend(HMMIO h, LPMMCKINFO ck, UINT) noexcept
{
    if (!h) return MMSYSERR_INVALHANDLE;
    if (!ck) return MMSYSERR_INVALPARAM;
    std::int64_t length = ck->cksize;
    if (ck->dwFlags & MMIO_DIRTY) {
        length = Position(h) - std::int64_t(ck->dwDataOffset);
        if (length < 0 || length > 0xFFFFFFFFll) return MMIOERR_CANNOTWRITE;
        if (length & 1) {
            const char pad = 0;
            if (WriteBytes(h, &pad, 1) != 1) return MMIOERR_CANNOTWRITE;
        }
        if (DWORD(length) != ck->cksize) {
            const std::int64_t back = Position(h);
            unsigned char size[4];
            PutLE32(size, DWORD(length));
            if (!SeekTo(h, std::int64_t(ck->dwDataOffset) - 4)) return MMIOERR_CANNOTSEEK;
            if (WriteBytes(h, reinterpret_cast<const char*>(size), 4) != 4)
                return MMIOERR_CANNOTWRITE;
            if (!SeekTo(h, back)) return MMIOERR_CANNOTSEEK;
        }
        ck->cksize = DWORD(length);
        ck->dwFlags &= ~MMIO_DIRTY;
    }
    if (!SeekTo(h, std::int64_t(ck->dwDataOffset) + length + (length & 1)))
        return MMIOERR_CANNOTSEEK;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioCreateChunk(HMMIO h, LPMMCKINFO ck, UINT flags) noexcept
{
    if (!h) return MMSYSERR_INVALHANDLE;
    if (!ck) return MMSYSERR_INVALPARAM;
    if (flags & MMIO_CREATERIFF) ck->ckid = FOURCC_RIFF;
    else if (flags & MMIO_CREATELIST) ck->ckid = FOURCC_LIST;
    const bool hasType = (flags & (MMIO_CREATERIFF | MMIO_CREATELIST)) != 0;
    const std::int64_t start = Position(h);
    if (start + 8 > 0xFFFFFFFFll) return MMIOERR_CANNOTWRITE;
    unsigned char header[12];
    PutLE32(header, ck->ckid);
    PutLE32(header + 4, ck->cksize);
    PutLE32(header + 8, ck->fccType);
    const LONG count = hasType ? 12 : 8;
    if (WriteBytes(h, reinterpret_cast<const char*>(header), count) != count)
        return MMIOERR_CANNOTWRITE;
    ck->dwDataOffset = DWORD(start + 8);
    ck->dwFlags = MMIO_DIRTY;
    return MMSYSERR_NOERROR;
}
