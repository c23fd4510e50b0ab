#include "platform/base/Event.h"

#include <new>

namespace {

class EventObject final : public KernelObject {
public:
    using KernelObject::KernelObject;
};

}  // namespace

HANDLE CreateEventA(void*, BOOL manualReset, BOOL initialState, LPCSTR) noexcept
{
    auto* event = new (std::nothrow) EventObject(manualReset != FALSE, initialState != FALSE);
    if (!event) return nullptr;
    return event->Publish();
}

BOOL SetEvent(HANDLE event) noexcept
{
    KernelObjectRef object(event);
    if (!dynamic_cast<EventObject*>(object.get())) return FALSE;
    object->Signal();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) noexcept
{
    KernelObjectRef object(event);
    if (!dynamic_cast<EventObject*>(object.get())) return FALSE;
    object->Reset();
    return TRUE;
}
