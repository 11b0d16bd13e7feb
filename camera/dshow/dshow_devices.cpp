#include "camera/dshow/dshow_devices.h"

#include <windows.h>

#include <dshow.h>
#include <ocidl.h>

namespace {

// Releases one interface on every path out of its scope.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(const ComRef &) = delete;
    ComRef &operator=(const ComRef &) = delete;

    T **out()
    {
        reset();
        return &pointer;
    }
    void **outVoid() { return reinterpret_cast<void **>(out()); }
    T *get() const { return pointer; }
    T *operator->() const { return pointer; }
    explicit operator bool() const { return pointer != nullptr; }

    void reset()
    {
        if (pointer) {
            pointer->Release();
            pointer = nullptr;
        }
    }

private:
    T *pointer = nullptr;
};

// Balances this call's COM initialization; a thread already in another apartment
// still enumerates, but must not be uninitialized by us.
class ComApartment {
public:
    ComApartment() : initialized(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment()
    {
        if (initialized)
            CoUninitialize();
    }
    ComApartment(const ComApartment &) = delete;
    ComApartment &operator=(const ComApartment &) = delete;

private:
    bool initialized;
};

class Variant {
public:
    Variant() { VariantInit(&value); }
    ~Variant() { VariantClear(&value); }
    Variant(const Variant &) = delete;
    Variant &operator=(const Variant &) = delete;

    VARIANT value;
};

std::optional<std::wstring> readFriendlyName(IMoniker *moniker)
{
    ComRef<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.outVoid())) || !bag)
        return std::nullopt;
    Variant name;
    if (FAILED(bag->Read(L"FriendlyName", &name.value, nullptr)) || name.value.vt != VT_BSTR || !name.value.bstrVal)
        return std::nullopt;
    return std::wstring(name.value.bstrVal);
}

// Calls visit(position, moniker) for each video-input device until it returns false.
template <typename Visit>
void forEachVideoInput(Visit visit)
{
    ComRef<ICreateDevEnum> devices;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                devices.outVoid()))
        || !devices)
        return;
    ComRef<IEnumMoniker> monikers;
    // S_FALSE stands for an empty category and leaves no enumerator behind.
    if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.out(), 0) != S_OK || !monikers)
        return;
    for (int position = 0;; ++position) {
        ComRef<IMoniker> moniker;
        if (monikers->Next(1, moniker.out(), nullptr) != S_OK || !moniker)
            return;
        if (!visit(position, moniker.get()))
            return;
    }
}

template <typename Control>
std::optional<ReportedRange> queryRange(Control *control, LONG property)
{
    if (!control)
        return std::nullopt;
    LONG minimum = 0;
    LONG maximum = 0;
    LONG step = 0;
    LONG defaultValue = 0;
    LONG flags = 0;
    if (FAILED(control->GetRange(property, &minimum, &maximum, &step, &defaultValue, &flags)))
        return std::nullopt;
    return ReportedRange{minimum, maximum, defaultValue};
}

ReportedRanges queryFilterRanges(IBaseFilter *filter)
{
    ComRef<IAMVideoProcAmp> videoProcAmp;
    ComRef<IAMCameraControl> cameraControl;
    // A missing interface only means its properties are unknown.
    static_cast<void>(filter->QueryInterface(IID_IAMVideoProcAmp, videoProcAmp.outVoid()));
    static_cast<void>(filter->QueryInterface(IID_IAMCameraControl, cameraControl.outVoid()));

    ReportedRanges ranges;
    ranges.brightness = queryRange(videoProcAmp.get(), VideoProcAmp_Brightness);
    ranges.focus = queryRange(cameraControl.get(), CameraControl_Focus);
    ranges.gain = queryRange(videoProcAmp.get(), VideoProcAmp_Gain);
    ranges.exposure = queryRange(cameraControl.get(), CameraControl_Exposure);
    return ranges;
}

// Calls visit(filter) with the bound filter of the device at position, if it still carries
// expectedName there: the devices may have changed since they were listed, and another
// device's filter must never be bound.
template <typename Visit>
void withDeviceFilter(int position, const std::wstring &expectedName, Visit visit)
{
    forEachVideoInput([&](int current, IMoniker *moniker) {
        if (current < position)
            return true;
        if (readFriendlyName(moniker) != expectedName)
            return false;
        ComRef<IBaseFilter> filter;
        if (SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.outVoid())) && filter)
            visit(filter.get());
        return false;
    });
}

} // namespace

std::vector<DshowVideoInput> listDshowVideoInputs()
{
    const ComApartment apartment;
    std::vector<DshowVideoInput> inputs;
    forEachVideoInput([&inputs](int position, IMoniker *moniker) {
        inputs.push_back({position, readFriendlyName(moniker)});
        return true;
    });
    return inputs;
}

std::optional<ReportedRanges> queryDshowRanges(int position, const std::wstring &expectedName)
{
    const ComApartment apartment;
    std::optional<ReportedRanges> result;
    withDeviceFilter(position, expectedName, [&](IBaseFilter *filter) { result = queryFilterRanges(filter); });
    return result;
}

std::optional<bool> dshowDeviceHasPropertyPages(int position, const std::wstring &expectedName)
{
    const ComApartment apartment;
    std::optional<bool> result;
    withDeviceFilter(position, expectedName, [&](IBaseFilter *filter) {
        ComRef<ISpecifyPropertyPages> pages;
        if (FAILED(filter->QueryInterface(IID_ISpecifyPropertyPages, pages.outVoid())) || !pages) {
            result = false;
            return;
        }
        CAUUID ids{};
        if (FAILED(pages->GetPages(&ids)))
            return;
        result = ids.cElems > 0;
        CoTaskMemFree(ids.pElems);
    });
    return result;
}
