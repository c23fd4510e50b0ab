#include "platform/registry/CRegistryTree.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/registry/Registry.h"

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00";
const char kOldHeader[] = "REGEDIT4";
constexpr std::size_t kMaxKeyName = 255;

int FoldCase(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

void AppendQuoted(std::string& out, const std::string& text)
{
    out += '"';
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c; break;
        }
    }
    out += '"';
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(const std::string& text, std::size_t& pos, std::string* out)
{
    if (pos >= text.size() || text[pos] != '"')
        return false;
    ++pos;
    out->clear();
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == '"')
            return true;
        if (c != '\\') {
            *out += c;
            continue;
        }
        if (pos >= text.size())
            return false;
        const char e = text[pos++];
        switch (e) {
        case '\\': *out += '\\'; break;
        case '"': *out += '"'; break;
        case 'n': *out += '\n'; break;
        case 'r': *out += '\r'; break;
        default: return false;
        }
    }
    return false;
}

void SerializeKey(std::string& out, const std::string& path, const CRegistryTree::Key& key, bool isRoot)
{
    if (!isRoot || !key.values.empty()) {
        out += '[';
        out += path;
        out += "]\n";
        for (const auto& [name, value] : key.values) {
            if (value.name.empty())
                out += '@';
            else
                AppendQuoted(out, value.name);
            out += '=';
            if (value.type == REG_DWORD) {
                char buf[16];
                std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(value.number));
                out += buf;
            } else {
                AppendQuoted(out, value.text);
            }
            out += '\n';
        }
        out += '\n';
    }
    for (const auto& [name, sub] : key.subkeys)
        SerializeKey(out, path + "\\" + sub->name, *sub, false);
}

std::string LineReason(int line, const char* what)
{
    return "line " + std::to_string(line) + ": " + what;
}

} // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = FoldCase(static_cast<unsigned char>(a[i]));
        const int cb = FoldCase(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

CRegistryTree::CRegistryTree()
{
    for (int r = 0; r < RootCount; ++r) {
        roots_[r] = std::make_unique<Key>();
        roots_[r]->name = RootName(static_cast<Root>(r));
    }
}

const char* CRegistryTree::RootName(Root root)
{
    return root == ClassesRoot ? "HKEY_CLASSES_ROOT" : "HKEY_CURRENT_USER";
}

bool CRegistryTree::SplitPath(const std::string& path, std::vector<std::string>* names)
{
    names->clear();
    if (path.empty())
        return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        const std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const bool trailing = end == std::string::npos && name.empty() && !names->empty();
        if (!trailing) {
            if (name.empty() || name.size() > kMaxKeyName)
                return false;
            for (char c : name)
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                    return false;
            names->push_back(name);
        }
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

CRegistryTree::Key* CRegistryTree::Find(Root root, const std::vector<std::string>& path)
{
    Key* key = roots_[root].get();
    for (const std::string& name : path) {
        auto it = key->subkeys.find(name);
        if (it == key->subkeys.end())
            return nullptr;
        key = it->second.get();
    }
    return key;
}

CRegistryTree::Key& CRegistryTree::Create(Root root, const std::vector<std::string>& path, bool* created)
{
    Key* key = roots_[root].get();
    bool isNew = false;
    for (const std::string& name : path) {
        auto it = key->subkeys.find(name);
        if (it == key->subkeys.end()) {
            auto sub = std::make_unique<Key>();
            sub->name = name;
            it = key->subkeys.emplace(name, std::move(sub)).first;
            isNew = true;
        } else {
            isNew = false;
        }
        key = it->second.get();
    }
    if (created != nullptr)
        *created = isNew;
    return *key;
}

bool CRegistryTree::Remove(Root root, const std::vector<std::string>& path)
{
    if (path.empty())
        return false;
    std::vector<std::string> parentPath(path.begin(), path.end() - 1);
    Key* parent = Find(root, parentPath);
    if (parent == nullptr)
        return false;
    return parent->subkeys.erase(path.back()) == 1;
}

bool CRegistryTree::Parse(const std::string& text, std::string* reason)
{
    for (int r = 0; r < RootCount; ++r) {
        roots_[r]->values.clear();
        roots_[r]->subkeys.clear();
    }
    auto fail = [&](int line, const char* what) {
        for (int r = 0; r < RootCount; ++r) {
            roots_[r]->values.clear();
            roots_[r]->subkeys.clear();
        }
        if (reason != nullptr)
            *reason = LineReason(line, what);
        return false;
    };

    Key* current = nullptr;
    bool sawHeader = false;
    int lineNo = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos)
            eol = text.size();
        std::string line = text.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNo;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        std::size_t first = 0;
        while (first < line.size() && (line[first] == ' ' || line[first] == '\t'))
            ++first;
        line.erase(0, first);
        if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        if (line.empty() || line[0] == ';')
            continue;
        if (!sawHeader) {
            if (line != kHeader && line != kOldHeader)
                return fail(lineNo, "the file does not start with \"Windows Registry Editor Version 5.00\"");
            sawHeader = true;
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']')
                return fail(lineNo, "a key line must end with ']'");
            const std::string full = line.substr(1, line.size() - 2);
            const std::size_t slash = full.find('\\');
            const std::string rootName = full.substr(0, slash);
            Root root;
            if (rootName == RootName(ClassesRoot))
                root = ClassesRoot;
            else if (rootName == RootName(CurrentUser))
                root = CurrentUser;
            else
                return fail(lineNo, "unknown root key");
            std::vector<std::string> names;
            if (!SplitPath(slash == std::string::npos ? std::string() : full.substr(slash + 1), &names))
                return fail(lineNo, "bad key name");
            if (names.size() > MaxDepth)
                return fail(lineNo, "key nested deeper than 512 levels");
            current = &Create(root, names, nullptr);
            continue;
        }
        if (current == nullptr)
            return fail(lineNo, "a value before the first key");
        Value value;
        std::size_t p = 0;
        if (line[0] == '@') {
            p = 1;
        } else if (!ReadQuoted(line, p, &value.name)) {
            return fail(lineNo, "bad value name");
        }
        if (p >= line.size() || line[p] != '=')
            return fail(lineNo, "'=' expected after the value name");
        ++p;
        if (p < line.size() && line[p] == '"') {
            value.type = REG_SZ;
            if (!ReadQuoted(line, p, &value.text) || p != line.size())
                return fail(lineNo, "bad string value");
        } else if (line.compare(p, 6, "dword:") == 0) {
            const std::string digits = line.substr(p + 6);
            if (digits.empty() || digits.size() > 8)
                return fail(lineNo, "bad dword value");
            for (char c : digits)
                if (!std::isxdigit(static_cast<unsigned char>(c)))
                    return fail(lineNo, "bad dword value");
            value.type = REG_DWORD;
            value.number = static_cast<DWORD>(std::strtoul(digits.c_str(), nullptr, 16));
        } else {
            return fail(lineNo, "unsupported value type");
        }
        current->values[value.name] = std::move(value);
    }
    return true; // no header but only blank lines or comments: an empty registry
}

std::string CRegistryTree::Serialize() const
{
    std::string out = kHeader;
    out += "\n\n";
    for (int r = 0; r < RootCount; ++r)
        SerializeKey(out, roots_[r]->name, *roots_[r], true);
    return out;
}
