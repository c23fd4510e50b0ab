#include "slider/TarvelTypeLib.h"

namespace {

constexpr DispParamDesc kSetRangeParams[] = {{L"nMin", VT_I4}, {L"nMax", VT_I4}};
constexpr DispParamDesc kGetRangeParams[] = {{L"nMin", VT_I4 | VT_BYREF}, {L"nMax", VT_I4 | VT_BYREF}};

constexpr DispMemberDesc kDTarvelMembers[] = {
    {DISPID_TARVEL_POS, L"Pos", DispMemberKind::Property, VT_I4, nullptr, 0, nullptr},
    {DISPID_TARVEL_RANGEMAX, L"RangeMax", DispMemberKind::Property, VT_I4, nullptr, 0, nullptr},
    {DISPID_TARVEL_RANGEMIN, L"RangeMin", DispMemberKind::Property, VT_I4, nullptr, 0, nullptr},
    {DISPID_TARVEL_SETRANGE, L"SetRange", DispMemberKind::Method, VT_EMPTY, kSetRangeParams, 2, nullptr},
    {DISPID_TARVEL_GETRANGE, L"GetRange", DispMemberKind::Method, VT_EMPTY, kGetRangeParams, 2, nullptr},
};

constexpr DispParamDesc kScrollParams[] = {{L"lPos", VT_I4}};

constexpr DispMemberDesc kDTarvelEventsMembers[] = {
    {DISPID_TARVEL_SCROLL, L"Scroll", DispMemberKind::Method, VT_EMPTY, kScrollParams, 1, nullptr},
};

constexpr DispInterfaceDesc kDTarvel{DIID__DTarvel, L"_DTarvel", L"Dispatch interface for Tarvel Control",
                                     TYPEFLAG_FHIDDEN | TYPEFLAG_FDISPATCHABLE, kDTarvelMembers, 5};

constexpr DispInterfaceDesc kDTarvelEvents{DIID__DTarvelEvents, L"_DTarvelEvents",
                                           L"Event interface for Tarvel Control", TYPEFLAG_FDISPATCHABLE,
                                           kDTarvelEventsMembers, 1};

constexpr CoClassDesc kTarvel{CLSID_Tarvel, L"Tarvel", L"Tarvel Control",
                              TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL, &kDTarvel, &kDTarvelEvents};

constexpr const DispInterfaceDesc* kInterfaces[] = {&kDTarvel, &kDTarvelEvents};

constexpr TypeLibDesc kLibrary{LIBID_TARVELLib, kTarvelLibMajor, kTarvelLibMinor, kTarvelLibLcid,
                               LIBFLAG_FCONTROL, L"TARVELLib", L"Tarvel ActiveX Control module",
                               L"Tarvel.hlp", kInterfaces, 2, &kTarvel, 1};

}  // namespace

namespace TarvelTypeLib {

const DispInterfaceDesc& DTarvel() { return kDTarvel; }
const DispInterfaceDesc& DTarvelEvents() { return kDTarvelEvents; }
const CoClassDesc& Tarvel() { return kTarvel; }
const TypeLibDesc& Library() { return kLibrary; }

}  // namespace TarvelTypeLib
