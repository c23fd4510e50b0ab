#include "filter/framework/CFilterMapper.h"

#include <new>

#include "platform/com/ComApi.h"
#include "platform/com/ComRegistration.h"
#include "platform/com/Guid.h"

namespace {

std::string FilterKey(REFCLSID clsid)
{
    return "Filter\\" + GuidToString(clsid);
}

std::string PinKey(REFCLSID clsid, LPCWSTR pin)
{
    return FilterKey(clsid) + "\\Pins\\" + OleToUtf8(pin);
}

bool KeyExists(const std::string& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

HRESULT SetDword(const std::string& key, const char* name, DWORD value)
{
    HKEY handle = nullptr;
    LSTATUS status = RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
    status = RegSetValueExA(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(handle);
    return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

DWORD GetDword(HKEY key, const char* name)
{
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return 0;
    return value;
}

std::vector<std::string> SubKeys(const std::string& key)
{
    std::vector<std::string> names;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(handle, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(handle);
    return names;
}

} // namespace

CFilterMapper::CFilterMapper() noexcept : CUnknown(L"Filter mapper", nullptr) {}

HRESULT CFilterMapper::CreateInstance(IFilterMapper** mapper) noexcept
{
    if (mapper == nullptr)
        return E_POINTER;
    auto* created = new (std::nothrow) CFilterMapper();
    if (created == nullptr)
        return E_OUTOFMEMORY;
    created->NonDelegatingAddRef();
    *mapper = created;
    return S_OK;
}

HRESULT CFilterMapper::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IFilterMapper))
        return GetInterface(static_cast<IFilterMapper*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CFilterMapper::RegisterFilter(CLSID clsid, LPCWSTR Name, DWORD dwMerit)
{
    if (Name == nullptr)
        return E_POINTER;
    const HRESULT hr = RegSetKeyString(HKEY_CLASSES_ROOT, FilterKey(clsid), nullptr, OleToUtf8(Name));
    if (FAILED(hr))
        return hr;
    return SetDword(FilterKey(clsid), "Merit", dwMerit);
}

HRESULT CFilterMapper::RegisterPin(CLSID Filter, LPCWSTR Name, BOOL bRendered, BOOL bOutput, BOOL bZero,
                                   BOOL bMany, CLSID ConnectsToFilter, LPCWSTR ConnectsToPin)
{
    if (Name == nullptr)
        return E_POINTER;
    if (!KeyExists(FilterKey(Filter)))
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    const std::string key = PinKey(Filter, Name);
    HRESULT hr = SetDword(key, "IsRendered", bRendered ? 1 : 0);
    if (SUCCEEDED(hr))
        hr = SetDword(key, "Direction", bOutput ? 1 : 0);
    if (SUCCEEDED(hr))
        hr = SetDword(key, "AllowedZero", bZero ? 1 : 0);
    if (SUCCEEDED(hr))
        hr = SetDword(key, "AllowedMany", bMany ? 1 : 0);
    if (SUCCEEDED(hr))
        hr = RegSetKeyString(HKEY_CLASSES_ROOT, key, "ConnectsToFilter", GuidToString(ConnectsToFilter));
    if (SUCCEEDED(hr))
        hr = RegSetKeyString(HKEY_CLASSES_ROOT, key, "ConnectsToPin",
                             ConnectsToPin != nullptr ? OleToUtf8(ConnectsToPin) : std::string());
    return hr;
}

HRESULT CFilterMapper::RegisterPinType(CLSID clsFilter, LPCWSTR strName, CLSID clsMajorType, CLSID clsSubType)
{
    if (strName == nullptr)
        return E_POINTER;
    const std::string pin = PinKey(clsFilter, strName);
    if (!KeyExists(pin))
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    return RegSetKeyString(HKEY_CLASSES_ROOT,
                           pin + "\\Types\\" + GuidToString(clsMajorType) + "\\" + GuidToString(clsSubType),
                           nullptr, "");
}

HRESULT CFilterMapper::UnregisterFilter(CLSID Filter)
{
    const LSTATUS status = RegDeleteTreeA(HKEY_CLASSES_ROOT, FilterKey(Filter).c_str());
    return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

HRESULT CFilterMapper::UnregisterPin(CLSID Filter, LPCWSTR Name)
{
    if (Name == nullptr)
        return E_POINTER;
    const LSTATUS status = RegDeleteTreeA(HKEY_CLASSES_ROOT, PinKey(Filter, Name).c_str());
    return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

HRESULT CFilterMapper::ListFilters(std::vector<FilterRecord>* filters)
{
    if (filters == nullptr)
        return E_POINTER;
    filters->clear();
    for (const std::string& name : SubKeys("Filter")) {
        FilterRecord record{};
        if (!GuidFromString(name.c_str(), &record.clsid))
            continue;
        const std::string key = "Filter\\" + name;
        std::string text;
        RegGetKeyString(HKEY_CLASSES_ROOT, key, nullptr, &text);
        record.name = Utf8ToOle(text.c_str());
        HKEY handle = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
            record.merit = GetDword(handle, "Merit");
            RegCloseKey(handle);
        }
        for (const std::string& pinName : SubKeys(key + "\\Pins")) {
            const std::string pinKey = key + "\\Pins\\" + pinName;
            PinRecord pin{};
            pin.name = Utf8ToOle(pinName.c_str());
            if (RegOpenKeyExA(HKEY_CLASSES_ROOT, pinKey.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
                pin.rendered = GetDword(handle, "IsRendered");
                pin.output = GetDword(handle, "Direction");
                pin.zero = GetDword(handle, "AllowedZero");
                pin.many = GetDword(handle, "AllowedMany");
                RegCloseKey(handle);
            }
            if (RegGetKeyString(HKEY_CLASSES_ROOT, pinKey, "ConnectsToFilter", &text))
                GuidFromString(text.c_str(), &pin.connectsToFilter);
            if (RegGetKeyString(HKEY_CLASSES_ROOT, pinKey, "ConnectsToPin", &text))
                pin.connectsToPin = Utf8ToOle(text.c_str());
            for (const std::string& major : SubKeys(pinKey + "\\Types")) {
                GUID majorType{};
                if (!GuidFromString(major.c_str(), &majorType))
                    continue;
                for (const std::string& sub : SubKeys(pinKey + "\\Types\\" + major)) {
                    GUID subType{};
                    if (GuidFromString(sub.c_str(), &subType))
                        pin.mediaTypes.emplace_back(majorType, subType);
                }
            }
            record.pins.push_back(std::move(pin));
        }
        filters->push_back(std::move(record));
    }
    return S_OK;
}
