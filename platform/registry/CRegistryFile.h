#pragma once

// The file that holds the registry: where it is, reading it, and changing it safely
// against other threads and processes (an exclusive lock on "<file>.lock", then a
// fresh read, the change, and an atomic replace through a temporary file beside it).

#include <functional>
#include <string>

#include "platform/registry/CRegistryTree.h"

class CRegistryFile {
public:
    // $CALYRIX_REGISTRY, else $XDG_CONFIG_HOME/calyrix/registry.reg, else
    // $HOME/.config/calyrix/registry.reg (the home directory from the user database when
    // HOME is unset); "" when there is no home directory either. Read on every call, so
    // tests can switch it.
    static std::string GetPath();

    // Problems are reported on stderr once per file and problem. A missing file is an
    // empty registry. ERROR_BADDB for a damaged file, ERROR_CANTREAD when it cannot be
    // read or has no location.
    static LONG Load(CRegistryTree& tree, std::string* reason = nullptr);

    // Runs change on the current content under the lock; when it answers ERROR_SUCCESS
    // the file is replaced with the result. A damaged file is never replaced, nor is a
    // read-only one (ERROR_ACCESS_DENIED); ERROR_CANTWRITE when it cannot be written.
    static LONG Update(const std::function<LONG(CRegistryTree&)>& change);

    // The file's text as it is. ERROR_FILE_NOT_FOUND when there is none.
    static LONG ReadText(std::string* text);

    // How long a change waits for the lock another process holds (30 seconds unless set);
    // after the first second it says that it waits.
    static void SetLockTimeout(int milliseconds);

private:
    // GetPath, reporting when it is "".
    static std::string GetUsablePath();
    static LONG LoadFrom(const std::string& path, CRegistryTree& tree, std::string* reason);
    // With the process's update mutex held; takes the file lock.
    static LONG UpdateLocked(const std::string& path, const std::function<LONG(CRegistryTree&)>& change);
};
