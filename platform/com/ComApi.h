#pragma once

// The component runtime: initialisation, creation of in-process servers through the
// registry (HKCR\CLSID\{clsid}\InprocServer32 -> dlopen once -> DllGetClassObject),
// task memory, ProgIDs and streams.

#include <cstddef>
#include <string>

#include "platform/com/Streams.h"
#include "platform/com/Unknown.h"

// CLSCTX
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

// Per thread, counted: S_OK for the first call on a thread, S_FALSE for further ones.
HRESULT CoInitialize(LPVOID pvReserved);
// Balances CoInitialize; the last one in the process unloads, without delay, the modules
// that can unload.
void CoUninitialize();

// CO_E_NOTINITIALIZED without CoInitialize on the calling thread; REGDB_E_CLASSNOTREG
// when the class has no InprocServer32 entry; CO_E_DLLNOTFOUND when the module cannot be
// loaded; CO_E_ERRORINDLL when it lacks DllGetClassObject; otherwise the module's answer.
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid,
                         LPVOID* ppv);
// With pUnkOuter set (aggregation) riid must be IID_IUnknown, else CLASS_E_NOAGGREGATION.
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv);
// Unloads every loaded module whose DllCanUnloadNow has answered S_OK, with no class
// object asked of it, for at least dwUnloadDelay milliseconds (INFINITE: the default
// delay; 0: at once). The delay lets a thread that released a module's last object
// return out of the module's code first.
constexpr DWORD kDefaultUnloadDelayMs = 1000;
void CoFreeUnusedLibrariesEx(DWORD dwUnloadDelay, DWORD dwReserved);
// CoFreeUnusedLibrariesEx with the default delay.
void CoFreeUnusedLibraries();

LPVOID CoTaskMemAlloc(std::size_t cb);
LPVOID CoTaskMemRealloc(LPVOID pv, std::size_t cb);
void CoTaskMemFree(LPVOID pv);

// HKCR\<ProgID>\CLSID; CO_E_CLASSSTRING when missing or not a GUID.
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);
// HKCR\CLSID\{clsid}\ProgID, as task memory; REGDB_E_CLASSNOTREG when missing.
HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID);
// Writes the braced form into task memory.
HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz);

// A growable stream in memory holding a copy of cb bytes of pInit (none when cb is 0),
// positioned at the start.
HRESULT CreateStreamOnMemory(const void* pInit, ULONG cb, IStream** ppstm);
// A stream on a file. STGM_READ, STGM_WRITE or STGM_READWRITE; with STGM_CREATE the file
// is created or emptied, without it the file must exist (STG_E_FILENOTFOUND).
HRESULT SHCreateStreamOnFileA(LPCSTR pszFile, DWORD grfMode, IStream** ppstm);

// Wide text <-> UTF-8 for the narrow calls below the component layer.
std::string OleToUtf8(LPCOLESTR text);
std::wstring Utf8ToOle(const char* text);
