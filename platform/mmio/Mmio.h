#pragma once

#include "platform/base/MmResult.h"
#include "platform/base/Types.h"

// Buffered RIFF file I/O on POSIX files, in the calling shape of the multimedia file
// service: open and create, buffered read and write, seek, chunk descend / ascend /
// create, and direct access to the I/O buffer (get info, advance, set info).
//
// The buffer is a window of the file starting at lBufOffset; the current position is
// lBufOffset + (pchNext - pchBuffer). Bytes written through the buffer reach the file
// when the buffer moves (advance, seek, set-buffer) or the file is closed.

using FOURCC = DWORD;
using HPSTR = char*;

struct MMIOFILE;
using HMMIO = MMIOFILE*;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d)
{
    return DWORD(BYTE(a)) | (DWORD(BYTE(b)) << 8) | (DWORD(BYTE(c)) << 16) |
           (DWORD(BYTE(d)) << 24);
}
constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');

struct MMCKINFO {
    FOURCC ckid;
    DWORD cksize;
    FOURCC fccType;       // form or list type of "RIFF" and "LIST" chunks
    DWORD dwDataOffset;   // file offset of the chunk's data (of the form type for RIFF/LIST)
    DWORD dwFlags;        // MMIO_DIRTY: created by mmioCreateChunk, size to be fixed on ascend
};
using LPMMCKINFO = MMCKINFO*;

struct MMIOINFO {
    DWORD dwFlags;
    FOURCC fccIOProc;
    void* pIOProc;
    UINT wErrorRet;
    HANDLE htask;
    LONG cchBuffer;
    HPSTR pchBuffer;
    HPSTR pchNext;
    HPSTR pchEndRead;
    HPSTR pchEndWrite;
    LONG lBufOffset;
    LONG lDiskOffset;
    DWORD adwInfo[3];
    DWORD dwReserved1;
    DWORD dwReserved2;
    HMMIO hmmio;
};
using LPMMIOINFO = MMIOINFO*;

// Open flags.
constexpr DWORD MMIO_READ = 0x00000000;
constexpr DWORD MMIO_WRITE = 0x00000001;
constexpr DWORD MMIO_READWRITE = 0x00000002;
constexpr DWORD MMIO_CREATE = 0x00001000;
constexpr DWORD MMIO_ALLOCBUF = 0x00010000;
constexpr DWORD MMIO_DIRTY = 0x10000000;
constexpr LONG MMIO_DEFAULTBUFFER = 8192;

// Descend and create flags.
constexpr UINT MMIO_FINDCHUNK = 0x0010;
constexpr UINT MMIO_FINDRIFF = 0x0020;
constexpr UINT MMIO_FINDLIST = 0x0040;
constexpr UINT MMIO_CREATERIFF = 0x0020;
constexpr UINT MMIO_CREATELIST = 0x0040;

// Results.
constexpr MMRESULT MMIOERR_FILENOTFOUND = 257;
constexpr MMRESULT MMIOERR_OUTOFMEMORY = 258;
constexpr MMRESULT MMIOERR_CANNOTOPEN = 259;
constexpr MMRESULT MMIOERR_CANNOTCLOSE = 260;
constexpr MMRESULT MMIOERR_CANNOTREAD = 261;
constexpr MMRESULT MMIOERR_CANNOTWRITE = 262;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 263;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;
constexpr MMRESULT MMIOERR_UNBUFFERED = 266;

// A null result means failure; info (optional) gives the buffer size for MMIO_ALLOCBUF
// (0: the default) and receives the reason in wErrorRet. Without MMIO_ALLOCBUF the file
// is unbuffered. MMIO_CREATE truncates an existing file.
HMMIO mmioOpenA(LPCSTR fileName, LPMMIOINFO info, DWORD flags) noexcept;
// Writes what is buffered, closes; the handle is gone whatever the result.
MMRESULT mmioClose(HMMIO h, UINT flags) noexcept;

// Byte counts moved, 0 at the end of the file, -1 on failure.
LONG mmioRead(HMMIO h, HPSTR buffer, LONG count) noexcept;
LONG mmioWrite(HMMIO h, const char* buffer, LONG count) noexcept;
// SEEK_SET, SEEK_CUR or SEEK_END; the new position, or -1.
LONG mmioSeek(HMMIO h, LONG offset, int origin) noexcept;

// Replaces the buffer, keeping the position: a null pchBuffer lets the service allocate
// count bytes (0: unbuffered). When the allocation fails the old buffer stays.
MMRESULT mmioSetBuffer(HMMIO h, LPSTR pchBuffer, LONG count, UINT flags) noexcept;

// Direct buffer access: between mmioGetInfo and mmioSetInfo the caller moves pchNext
// itself, reading up to pchEndRead or writing up to pchEndWrite (setting MMIO_DIRTY in
// dwFlags), and calls mmioAdvance when it reaches the end. Advancing for reading refills
// the buffer from the current position; at the end of the file it succeeds with
// pchNext == pchEndRead. Advancing with MMIO_WRITE writes a dirty buffer out first.
MMRESULT mmioGetInfo(HMMIO h, LPMMIOINFO info, UINT flags) noexcept;
MMRESULT mmioSetInfo(HMMIO h, const MMIOINFO* info, UINT flags) noexcept;
MMRESULT mmioAdvance(HMMIO h, LPMMIOINFO info, UINT flags) noexcept;

// Reads the chunk header at the current position into ck (with no flags), or searches
// for ck->ckid (MMIO_FINDCHUNK), or for a RIFF / LIST chunk of type ck->fccType,
// skipping siblings (each padded to an even length) until the end of the parent (or of
// the file); MMIOERR_CHUNKNOTFOUND when none matches. Leaves the position at the data.
MMRESULT mmioDescend(HMMIO h, LPMMCKINFO ck, const MMCKINFO* parent, UINT flags) noexcept;
// Moves to the end of the chunk, past its pad byte. For a chunk created here, first
// writes a zero pad byte when its length is odd and the true length into its header
// when that differs from the size written.
MMRESULT mmioAscend(HMMIO h, LPMMCKINFO ck, UINT flags) noexcept;
// Writes a chunk header with ck's id and size (MMIO_CREATERIFF / MMIO_CREATELIST: id
// "RIFF" / "LIST" and the form type) at the current position and marks ck created.
MMRESULT mmioCreateChunk(HMMIO h, LPMMCKINFO ck, UINT flags) noexcept;
