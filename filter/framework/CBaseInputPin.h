#pragma once

#include <atomic>

#include "filter/framework/CBasePin.h"

// An input pin that receives samples through IMemInputPin.
class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(LPCWSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr, LPCWSTR pinName) noexcept;
    ~CBaseInputPin() override;

    HRESULT QueryInterface(REFIID riid, void** ppv) override { return NonDelegatingQueryInterface(riid, ppv); }
    ULONG AddRef() override { return NonDelegatingAddRef(); }
    ULONG Release() override { return NonDelegatingRelease(); }
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IMemInputPin
    HRESULT GetAllocator(IMemAllocator** ppAllocator) override;
    HRESULT NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
    // The checks every sample passes: streaming state and sample properties.
    HRESULT Receive(IMediaSample* pSample) override;
    HRESULT ReceiveMultiple(IMediaSample** pSamples, long nSamples, long* nSamplesProcessed) override;
    HRESULT ReceiveCanBlock() override;

    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT Inactive() override;

    // S_OK when samples may flow, S_FALSE while flushing, else the reason.
    virtual HRESULT CheckStreaming();
    bool IsReadOnly() const noexcept { return readOnly; }
    bool IsFlushing() const noexcept { return flushing.load(); }
    IMemAllocator* Allocator() const noexcept { return allocator; }

protected:
    void SetAllocator(IMemAllocator* newAllocator) noexcept;

    IMemAllocator* allocator = nullptr;
    bool readOnly = false;
    std::atomic<bool> flushing{false};
    std::atomic<bool> runTimeError{false};
};
