// Quillmere's thumbnail provider: the object Explorer creates for each .pvz
// whose preview it shows.
//
// It is initialised through IInitializeWithItem, which gives the texture's
// path: a palette texture takes its colours from the .pvp beside it, and
// only a path leads there. IInitializeWithFile would give the path too, but
// Explorer binds handlers to shell items, and an item may lack a file path
// (a texture inside a zip folder), which Initialize can refuse at once.
// IInitializeWithStream is there for hosts that only hand over the bytes (a
// process of their own, the search indexer): a stream that names its file
// by a full path is read as that file when it can be; otherwise its bytes
// give 2-byte textures their colours and palette textures a grey ramp of
// their indices.
//
// Every failure is an error HRESULT (Explorer keeps the file's icon); no
// exception leaves the object.
#pragma once

#include <windows.h>
// After windows.h:
#include <propsys.h>
#include <shobjidl.h>
#include <thumbcache.h>

#include <atomic>
#include <string>

namespace qm::explorer {

// How many provider objects and class factory locks the DLL holds: it may
// be unloaded at none.
std::atomic<long>& LiveObjects();

class ThumbnailProvider final : public IThumbnailProvider,
                                public IInitializeWithItem,
                                public IInitializeWithStream {
  public:
    ThumbnailProvider();
    ThumbnailProvider(const ThumbnailProvider&) = delete;
    ThumbnailProvider& operator=(const ThumbnailProvider&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IInitializeWithItem
    HRESULT STDMETHODCALLTYPE Initialize(IShellItem* item, DWORD mode) override;
    // IInitializeWithStream
    HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, DWORD mode) override;

    // IThumbnailProvider: a picture no larger than size x size.
    HRESULT STDMETHODCALLTYPE GetThumbnail(UINT size, HBITMAP* bitmap,
                                           WTS_ALPHATYPE* alpha) override;

  private:
    ~ThumbnailProvider();
    HRESULT Thumbnail(UINT size, HBITMAP* bitmap, WTS_ALPHATYPE* alpha);
    bool IsInitialised() const { return !path_.empty() || stream_ != nullptr; }

    std::atomic<ULONG> references_{1};
    std::wstring path_;          // from an item, or the full path a stream names
    IStream* stream_ = nullptr;  // held from IInitializeWithStream
};

}  // namespace qm::explorer
