#include "tools/embrel-graph/HResultText.h"

#include <cstdio>
#include <cstring>

#include "filter/framework/MediaInterfaces.h"
#include "platform/com/ComErrors.h"

namespace {

struct Known {
    HRESULT hr;
    const char* name;
    const char* meaning;
};

constexpr Known Table[] = {
    {E_NOTIMPL, "E_NOTIMPL", "not implemented"},
    {E_NOINTERFACE, "E_NOINTERFACE", "no such interface"},
    {E_POINTER, "E_POINTER", "a pointer is missing"},
    {E_ABORT, "E_ABORT", "aborted"},
    {E_FAIL, "E_FAIL", "unspecified failure"},
    {E_UNEXPECTED, "E_UNEXPECTED", "unexpected failure"},
    {E_ACCESSDENIED, "E_ACCESSDENIED", "access denied"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY", "out of memory"},
    {E_INVALIDARG, "E_INVALIDARG", "an argument is out of range"},
    {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE", "the module does not provide the class"},
    {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG", "the class is not registered"},
    {CO_E_NOTINITIALIZED, "CO_E_NOTINITIALIZED", "CoInitialize was not called"},
    {CO_E_DLLNOTFOUND, "CO_E_DLLNOTFOUND", "the module cannot be loaded"},
    {CO_E_ERRORINDLL, "CO_E_ERRORINDLL", "the module lacks an export"},
    {STG_E_FILENOTFOUND, "STG_E_FILENOTFOUND", "the file does not exist"},
    {STG_E_ACCESSDENIED, "STG_E_ACCESSDENIED", "access to the file is denied"},
    {STG_E_WRITEFAULT, "STG_E_WRITEFAULT", "the file cannot be written"},
    {STG_E_READFAULT, "STG_E_READFAULT", "the file cannot be read"},
    {STG_E_MEDIUMFULL, "STG_E_MEDIUMFULL", "the disk is full"},
    {VFW_E_TYPE_NOT_ACCEPTED, "VFW_E_TYPE_NOT_ACCEPTED", "the filter does not take this media type"},
    {VFW_E_NO_ACCEPTABLE_TYPES, "VFW_E_NO_ACCEPTABLE_TYPES", "the pins share no media type"},
    {VFW_E_NOT_CONNECTED, "VFW_E_NOT_CONNECTED", "a pin is not connected"},
    {VFW_E_WRONG_STATE, "VFW_E_WRONG_STATE", "the filter is in the wrong state"},
    {VFW_E_RUNTIME_ERROR, "VFW_E_RUNTIME_ERROR", "the stream failed"},
};

} // namespace

std::string HResultText(HRESULT hr)
{
    char text[256];
    const unsigned code = static_cast<unsigned>(hr);
    for (const Known& known : Table) {
        if (known.hr == hr) {
            std::snprintf(text, sizeof text, "0x%08X (%s: %s)", code, known.name, known.meaning);
            return text;
        }
    }
    // System errors carried in an HRESULT keep their errno value.
    if ((code & 0xFFFF0000u) == 0x80070000u)
        std::snprintf(text, sizeof text, "0x%08X (%s)", code, std::strerror(static_cast<int>(code & 0xFFFFu)));
    else
        std::snprintf(text, sizeof text, "0x%08X", code);
    return text;
}
