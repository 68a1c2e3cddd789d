#include "thumbnail_provider.h"

#include <algorithm>
#include <cwctype>
#include <memory>
#include <new>
#include <vector>

#include "convert/thumbnail.h"
#include "platform/picture_limits.h"
#include "platform/utf16_win.h"
#include "preview_bitmap.h"
#include "texture_preview.h"

namespace qm::explorer {

namespace {

// A full path: a drive letter or a server's share.
bool IsFullPath(const std::wstring& name) {
    return (name.size() > 2 && std::iswalpha(name[0]) != 0 && name[1] == L':' &&
            (name[2] == L'\\' || name[2] == L'/')) ||
           name.starts_with(L"\\\\");
}

// Whether path names a file no longer than a preview reads.
bool FileFitsPreview(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    const std::uint64_t size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    return size <= kMaxPreviewFileBytes;
}

// The stream's bytes from its start, when it holds no more than a preview
// reads.
bool ReadStream(IStream* stream, std::vector<std::uint8_t>& bytes) {
    STATSTG stat{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) ||
        stat.cbSize.QuadPart > kMaxPreviewFileBytes) {
        return false;
    }
    LARGE_INTEGER start{};
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
    std::size_t filled = 0;
    // A stream that grew since Stat is cut at the size it announced: what
    // it holds beyond is not looked at.
    while (filled < bytes.size()) {
        ULONG read = 0;
        const ULONG wanted =
            static_cast<ULONG>(std::min<std::size_t>(bytes.size() - filled, 1u << 20));
        const HRESULT result = stream->Read(bytes.data() + filled, wanted, &read);
        if (FAILED(result) || read == 0) {
            return false;
        }
        filled += read;
    }
    return true;
}

// The full path a stream names its file by, or nothing.
std::wstring PathNamedBy(IStream* stream) {
    STATSTG stat{};
    if (FAILED(stream->Stat(&stat, STATFLAG_DEFAULT))) {
        return {};
    }
    const std::unique_ptr<wchar_t, decltype(&::CoTaskMemFree)> held(stat.pwcsName,
                                                                    &::CoTaskMemFree);
    const std::wstring name = held ? held.get() : L"";
    return IsFullPath(name) ? name : std::wstring();
}

}  // namespace

std::atomic<long>& LiveObjects() {
    static std::atomic<long> count{0};
    return count;
}

ThumbnailProvider::ThumbnailProvider() {
    ++LiveObjects();
}

ThumbnailProvider::~ThumbnailProvider() {
    if (stream_ != nullptr) {
        stream_->Release();
    }
    --LiveObjects();
}

HRESULT ThumbnailProvider::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == __uuidof(IThumbnailProvider)) {
        *object = static_cast<IThumbnailProvider*>(this);
    } else if (iid == IID_IInitializeWithItem) {
        *object = static_cast<IInitializeWithItem*>(this);
    } else if (iid == IID_IInitializeWithStream) {
        *object = static_cast<IInitializeWithStream*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG ThumbnailProvider::AddRef() {
    return ++references_;
}

ULONG ThumbnailProvider::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT ThumbnailProvider::Initialize(IShellItem* item, DWORD /*mode*/) {
    if (item == nullptr) {
        return E_INVALIDARG;
    }
    if (IsInitialised()) {
        return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
    }
    try {
        PWSTR path = nullptr;
        const HRESULT result = item->GetDisplayName(SIGDN_FILESYSPATH, &path);
        if (FAILED(result)) {
            return result;
        }
        path_ = path != nullptr ? path : L"";
        ::CoTaskMemFree(path);
        return path_.empty() ? E_INVALIDARG : S_OK;
    } catch (...) {
        path_.clear();
        return E_OUTOFMEMORY;
    }
}

HRESULT ThumbnailProvider::Initialize(IStream* stream, DWORD /*mode*/) {
    if (stream == nullptr) {
        return E_INVALIDARG;
    }
    if (IsInitialised()) {
        return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
    }
    try {
        path_ = PathNamedBy(stream);
    } catch (...) {
        path_.clear();
    }
    stream->AddRef();
    stream_ = stream;
    return S_OK;
}

HRESULT ThumbnailProvider::GetThumbnail(UINT size, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) {
    if (bitmap == nullptr || alpha == nullptr) {
        return E_POINTER;
    }
    *bitmap = nullptr;
    *alpha = WTSAT_UNKNOWN;
    try {
        return Thumbnail(size, bitmap, alpha);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT ThumbnailProvider::Thumbnail(UINT size, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) {
    if (size == 0) {
        return E_INVALIDARG;
    }
    if (!IsInitialised()) {
        return E_UNEXPECTED;
    }
    ImageSurface picture;
    const bool fromFile = !path_.empty() && FileFitsPreview(path_) &&
                          DecodeTextureFile(Utf8FromUtf16(path_), picture);
    // A stream's own bytes when the file it names could not be read (a
    // process without access to it).
    if (!fromFile) {
        std::vector<std::uint8_t> bytes;
        if (stream_ == nullptr || !ReadStream(stream_, bytes) ||
            !DecodeTextureBytes(bytes, picture)) {
            return E_FAIL;
        }
    }
    // A preview is never larger than its picture, whatever the size asked.
    const int longest = static_cast<int>(std::min<UINT>(size, kMaxTextureSide));
    ImageSurface scaled;
    const ImageSurface* preview = PreviewOf(picture, longest, scaled);
    if (preview == nullptr) {
        return E_OUTOFMEMORY;
    }
    *bitmap = BitmapOf(*preview);
    if (*bitmap == nullptr) {
        return E_OUTOFMEMORY;
    }
    *alpha = WTSAT_ARGB;
    return S_OK;
}

}  // namespace qm::explorer
