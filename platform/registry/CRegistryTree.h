#pragma once

// The registry's content in memory, and its text in the registry-export format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CLASSES_ROOT\CLSID\{...}]
//   @="Tarvel Control"
//   "Count"=dword:0000002a
//
// Strings escape '\\', '"', line feed (\n) and carriage return (\r) with a backslash.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Types.h"

struct CaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(const std::string& a, const std::string& b) const;
};

class CRegistryTree {
public:
    enum Root { ClassesRoot = 0, CurrentUser = 1, RootCount = 2 };

    struct Value {
        std::string name; // as first written; "" is the default value
        DWORD type = 0;   // REG_SZ or REG_DWORD
        std::string text;
        DWORD number = 0;
    };

    struct Key {
        std::string name;
        std::map<std::string, Value, CaseInsensitiveLess> values;
        std::map<std::string, std::unique_ptr<Key>, CaseInsensitiveLess> subkeys;
    };

    // The most names a key's path below its root may have; deeper trees are refused, as
    // they would exhaust the stack of the recursive writing and freeing.
    static constexpr std::size_t MaxDepth = 512;

    CRegistryTree();
    CRegistryTree(const CRegistryTree&) = delete;
    CRegistryTree& operator=(const CRegistryTree&) = delete;

    static const char* RootName(Root root);

    // Splits "a\b\c" into its names; false for an empty name inside the path or a name
    // with control characters or longer than 255 bytes. Empty text is the key itself.
    static bool SplitPath(const std::string& path, std::vector<std::string>* names);

    Key& GetRoot(Root root) { return *roots_[root]; }
    Key* Find(Root root, const std::vector<std::string>& path);
    // Creates what is missing; *created tells whether the last key is new.
    Key& Create(Root root, const std::vector<std::string>& path, bool* created);
    // Removes the key with everything under it; false when it does not exist. The root
    // itself cannot be removed.
    bool Remove(Root root, const std::vector<std::string>& path);

    // Replaces the content with the text's. On failure the content is left empty and
    // *reason names the line and what is wrong with it.
    bool Parse(const std::string& text, std::string* reason);
    std::string Serialize() const;

private:
    std::unique_ptr<Key> roots_[RootCount];
};
