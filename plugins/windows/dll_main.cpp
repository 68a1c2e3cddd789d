// quillmere-thumbnails.dll: the thumbnail provider's COM server. Explorer
// loads it through the class registered by `quillmere-cli register`
// (HKCU\Software\Classes\CLSID\{...}\InprocServer32, apartment-threaded) and
// asks DllGetClassObject for the provider's class factory.
#include <windows.h>
// After windows.h:
#include <unknwn.h>

#include <new>

#include "platform/explorer_names.h"
#include "thumbnail_provider.h"

namespace qm::explorer {

namespace {

// The provider's class id, parsed once from its registry spelling.
bool IsProviderClass(REFCLSID clsid) {
    CLSID provider{};
    return SUCCEEDED(::CLSIDFromString(kProviderClsid.data(), &provider)) && provider == clsid;
}

class ClassFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid != IID_IUnknown && iid != IID_IClassFactory) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    // One factory for the DLL's lifetime: references need no counting.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* provider = new (std::nothrow) ThumbnailProvider();
        if (provider == nullptr) {
            return E_OUTOFMEMORY;
        }
        const HRESULT result = provider->QueryInterface(iid, object);
        provider->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            ++LiveObjects();
        } else {
            --LiveObjects();
        }
        return S_OK;
    }
};

ClassFactory factory;

}  // namespace

}  // namespace qm::explorer

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!qm::explorer::IsProviderClass(clsid)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return qm::explorer::factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() {
    return qm::explorer::LiveObjects() == 0 ? S_OK : S_FALSE;
}

}  // extern "C"
