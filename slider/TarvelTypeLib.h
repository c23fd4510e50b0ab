#pragma once

// Identities of the fader module and the static description of its type library.

#include "platform/com/DispatchDescription.h"

inline constexpr GUID LIBID_TARVELLib{0x87355F83, 0x2DA9, 0x11D1, {0x9F, 0xD4, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr IID DIID__DTarvel{0x87355F84, 0x2DA9, 0x11D1, {0x9F, 0xD4, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr IID DIID__DTarvelEvents{0x87355F85, 0x2DA9, 0x11D1, {0x9F, 0xD4, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr CLSID CLSID_Tarvel{0x00563CA7, 0x2110, 0x11D1, {0xA8, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr CLSID CLSID_TarvelPropPage{0x87355F86, 0x2DA9, 0x11D1, {0x9F, 0xD4, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

inline constexpr WORD kTarvelLibMajor = 1;
inline constexpr WORD kTarvelLibMinor = 0;
inline constexpr LCID kTarvelLibLcid = 0x0409;

inline constexpr const char* kTarvelCtrlProgID = "TARVEL.TarvelCtrl.1";
inline constexpr const char* kTarvelPropPageProgID = "TARVEL.TarvelPropPage.1";

// _DTarvel
constexpr DISPID DISPID_TARVEL_POS = 1;
constexpr DISPID DISPID_TARVEL_RANGEMAX = 2;
constexpr DISPID DISPID_TARVEL_RANGEMIN = 3;
constexpr DISPID DISPID_TARVEL_SETRANGE = 4;
constexpr DISPID DISPID_TARVEL_GETRANGE = 5;
// _DTarvelEvents
constexpr DISPID DISPID_TARVEL_SCROLL = 1;

// Misc status: activate when visible, set client site first, inside-out, cannot link
// inside, recompose on resize.
constexpr DWORD kTarvelMiscStatus = 0x20191;

namespace TarvelTypeLib {

const DispInterfaceDesc& DTarvel();
const DispInterfaceDesc& DTarvelEvents();
const CoClassDesc& Tarvel();
const TypeLibDesc& Library();

}  // namespace TarvelTypeLib
