#include "platform/win32/wic_picture.h"

#include <windows.h>
#include <wincodec.h>

#include <mutex>

#include "platform/win32/ansi_text.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/com_object.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_failure.h"

namespace muralis::win32 {

namespace {

constexpr int FileNotFound = 53;
constexpr int InvalidPicture = 481;

Failure invalid_picture(const std::string& path)
{
    return Failure(InvalidPicture, path + ": Invalid picture");
}

// A file read at any offset, for the header reader.
class FileBytes final : public formats::ByteSource {
public:
    FileBytes(HANDLE file, std::uint64_t size, const std::string& path) : m_file(file), m_size(size), m_path(path) {}
    std::uint64_t size() const override { return m_size; }
    std::size_t read_at(std::uint64_t offset, unsigned char* into, std::size_t size) override
    {
        if (offset >= m_size)
            return 0;
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
        if (!::ReadFile(m_file, into, wanted, &got, &at) && ::GetLastError() != ERROR_HANDLE_EOF)
            throw last_error_failure(m_path);
        return got;
    }

private:
    HANDLE m_file;
    std::uint64_t m_size;
    const std::string& m_path;
};

const GUID* container_of(formats::PictureFormat format)
{
    switch (format) {
    case formats::PictureFormat::Jpeg:
        return &GUID_ContainerFormatJpeg;
    case formats::PictureFormat::Png:
        return &GUID_ContainerFormatPng;
    case formats::PictureFormat::Webp:
        return &GUID_ContainerFormatWebp;
    default:
        return nullptr;
    }
}

void make_factory(ComPtr<IWICImagingFactory>& factory, const std::string& path)
{
    check(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                             factory.out()),
          path);
}

} // namespace

formats::PictureHeader read_header(const std::string& path_utf8)
{
    const std::string path_ansi = ansi_from_utf8(path_utf8);
    FileHandle file(::CreateFileA(path_ansi.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_ACCESS_DENIED)
            throw Failure(FileNotFound, path_utf8 + ": " + system_message(error));
        throw system_failure(error, path_utf8);
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size))
        throw last_error_failure(path_utf8);
    FileBytes bytes(file.get(), static_cast<std::uint64_t>(size.QuadPart), path_utf8);
    return formats::read_picture_header(bytes);
}

DecodedPicture decode_with_wic(const std::string& path_utf8, formats::PictureFormat format,
                               const formats::PictureHeader& header, formats::PixelSize fit)
{
    const GUID* container = container_of(format);
    if (!container)
        throw invalid_picture(path_utf8);
    const ComApartment apartment;
    if (!apartment.usable())
        throw hresult_failure(apartment.result(), path_utf8);
    try {
        ComPtr<IWICImagingFactory> factory;
        make_factory(factory, path_utf8);
        // WIC opens files by their UTF-16 name; the programs name files in
        // the ANSI code page, as the other calls of this layer do.
        const std::string path_ansi = ansi_from_utf8(path_utf8);
        std::wstring wide(path_ansi.size() + 1, L'\0');
        const int length = ::MultiByteToWideChar(CP_ACP, 0, path_ansi.c_str(), -1, wide.data(),
                                                 static_cast<int>(wide.size()));
        if (length <= 0)
            throw invalid_picture(path_utf8);
        wide.resize(static_cast<std::size_t>(length - 1));
        ComPtr<IWICStream> stream;
        check(factory->CreateStream(stream.put()), path_utf8);
        check(stream->InitializeFromFilename(wide.c_str(), GENERIC_READ), path_utf8);
        // The decoder of the format the bytes and the name agree on, never
        // one WIC would choose from the bytes. Its size was checked from the
        // header before it is opened: Wine's JPEG decoder decodes the whole
        // frame as soon as it is.
        ComPtr<IWICBitmapDecoder> decoder;
        check(factory->CreateDecoder(*container, nullptr, decoder.put()), path_utf8);
        check(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand), path_utf8);
        ComPtr<IWICBitmapFrameDecode> frame;
        check(decoder->GetFrame(0, frame.put()), path_utf8);
        UINT width = 0, height = 0;
        check(frame->GetSize(&width, &height), path_utf8);
        if (width != static_cast<UINT>(header.width) || height != static_cast<UINT>(header.height))
            throw invalid_picture(path_utf8);

        // Premultiplied: each colour already times its opacity, which is
        // the picture composed onto black once the opacity is dropped.
        ComPtr<IWICFormatConverter> converter;
        check(factory->CreateFormatConverter(converter.put()), path_utf8);
        check(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                    WICBitmapPaletteTypeCustom),
              path_utf8);
        IWICBitmapSource* source = converter.get();
        // Turned by the product, after the scaling: Wine's flip-rotator
        // does not turn a quarter. The fit is the stored picture's then.
        fit = formats::oriented_size(fit.width, fit.height, header.orientation);
        ComPtr<IWICBitmapScaler> scaler;
        if (fit.width > 0 && fit.height > 0 &&
            (static_cast<UINT>(fit.width) < width || static_cast<UINT>(fit.height) < height)) {
            // Fant's method averages what a reduction drops.
            check(factory->CreateBitmapScaler(scaler.put()), path_utf8);
            check(scaler->Initialize(source, static_cast<UINT>(fit.width), static_cast<UINT>(fit.height),
                                     WICBitmapInterpolationModeFant),
                  path_utf8);
            source = scaler.get();
            width = static_cast<UINT>(fit.width);
            height = static_cast<UINT>(fit.height);
        }

        DecodedPicture picture;
        picture.width = static_cast<int>(width);
        picture.height = static_cast<int>(height);
        const std::size_t count = std::size_t{width} * height;
        picture.pixels = std::make_unique_for_overwrite<std::uint32_t[]>(count);
        // In runs of rows, each a call that stays far below 4 GB.
        const UINT stride = width * 4;
        const UINT rows_a_call = stride > 0 ? (1u << 24) / stride + 1 : 1;
        for (UINT top = 0; top < height; top += rows_a_call) {
            const UINT rows = top + rows_a_call > height ? height - top : rows_a_call;
            const WICRect part{0, static_cast<INT>(top), static_cast<INT>(width), static_cast<INT>(rows)};
            check(source->CopyPixels(&part, stride, stride * rows,
                                     reinterpret_cast<BYTE*>(picture.pixels.get() + std::size_t{top} * width)),
                  path_utf8);
        }
        for (std::size_t i = 0; i < count; ++i)
            picture.pixels[i] |= 0xff000000u;
        if (header.orientation == 1)
            return picture;
        DecodedPicture turned;
        const formats::PixelSize size = formats::oriented_size(picture.width, picture.height, header.orientation);
        turned.width = size.width;
        turned.height = size.height;
        turned.pixels = std::make_unique_for_overwrite<std::uint32_t[]>(count);
        formats::orient_pixels(picture.pixels.get(), picture.width, picture.height, header.orientation,
                               turned.pixels.get());
        return turned;
    } catch (const Failure& failure) {
        // Whatever WIC found wrong with the file, it holds no picture.
        if (failure.number() == FileNotFound)
            throw;
        throw invalid_picture(path_utf8);
    }
}

bool wic_decodes(formats::PictureFormat format)
{
    static std::mutex guard;
    static int known[8] = {}; // 0 not asked, 1 yes, 2 no
    const auto index = static_cast<std::size_t>(format);
    const std::lock_guard<std::mutex> lock(guard);
    if (known[index] == 0) {
        bool decodes = false;
        if (const GUID* container = container_of(format)) {
            const ComApartment apartment;
            ComPtr<IWICImagingFactory> factory;
            ComPtr<IWICBitmapDecoder> decoder;
            decodes = apartment.usable() &&
                      SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                                   IID_IWICImagingFactory, factory.out())) &&
                      SUCCEEDED(factory->CreateDecoder(*container, nullptr, decoder.put()));
        }
        known[index] = decodes ? 1 : 2;
    }
    return known[index] == 1;
}

} // namespace muralis::win32
