#pragma once

// HKEY_CLASSES_ROOT and HKEY_CURRENT_USER in the Win32 calling shape, kept in one text
// file in the registry-export format at $CALYRIX_REGISTRY, or else at
// $XDG_CONFIG_HOME/calyrix/registry.reg (~/.config/calyrix/registry.reg).
//
// Every call reads the file; every change takes an exclusive lock on "<file>.lock",
// re-reads, applies and replaces the file atomically, so concurrent writers in several
// processes lose nothing. A file that cannot be parsed is reported on stderr and by
// ERROR_BADDB, and is never written over; a read-only file is not changed either
// (ERROR_ACCESS_DENIED). Files that cannot be read or written are reported on stderr
// with the reason, and answer ERROR_CANTREAD or ERROR_CANTWRITE.
//
// Key and value names compare without regard to case; a key keeps the spelling it was
// created with. Handles are valid in the thread-safe handle table until RegCloseKey.

#include <string>

#include "platform/base/Types.h"
#include "platform/base/WinError.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using LSTATUS = LONG;
using REGSAM = DWORD;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;

// Macros, as a pointer made from a number is no constant expression and a variable could
// be read before its initialisation by another static object.
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_DWORD = 4;

// Access rights are accepted and not enforced.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Creates the key and any missing parents (lpSubKey null or "" opens hKey itself). A key
// more than 512 levels below its root, like a bad name, gives ERROR_INVALID_PARAMETER.
LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, const void* lpSecurityAttributes, PHKEY phkResult,
                        LPDWORD lpdwDisposition);
// ERROR_FILE_NOT_FOUND when the key does not exist.
LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
LSTATUS RegCloseKey(HKEY hKey);

// REG_SZ: the text up to the first zero within cbData bytes; REG_DWORD: cbData must be 4.
// lpValueName null or "" is the key's default value.
LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                       const BYTE* lpData, DWORD cbData);
// Win32 rules: lpData null asks for the size; too small a buffer gives ERROR_MORE_DATA with
// the needed size in *lpcbData; REG_SZ data includes the terminating zero.
LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                         LPBYTE lpData, LPDWORD lpcbData);
LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);

// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has some).
LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
// Deletes the key with all its subkeys, depth first; lpSubKey null deletes the contents
// (values and subkeys) of hKey and keeps hKey itself.
LSTATUS RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey);

// Subkeys in case-insensitive order. *lpcchName: buffer size in, name length out;
// ERROR_MORE_DATA when too small, ERROR_NO_MORE_ITEMS past the last.
LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                      LPSTR lpClass, LPDWORD lpcchClass, void* lpftLastWriteTime);
// Values: the default value first, then by name without regard to case.
LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                      LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);

// Where the registry file is, and its whole text (for regsvr --dump). RegExportText
// answers ERROR_FILE_NOT_FOUND for a registry never written, ERROR_BADDB for a damaged
// one (with the reason in *reason when given).
std::string RegGetFilePath();
LSTATUS RegExportText(std::string* text, std::string* reason);
