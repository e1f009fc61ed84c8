// PNG files on Windows, through the Windows Imaging Component (windowscodecs), which every
// Windows since Vista carries: the same interface as formats/png.cpp gives on Linux through zlib
// and libpng, with nothing of either linked in. Self-contained, beside the platform's text helpers.
// windows.h first: the other Windows headers build on it.
#include <windows.h>

#include <wincodec.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "formats/file_format.h"
#include "formats/png.h"
#include "text/win32_text.h"

namespace quellon {

namespace {

// Holds one reference to a COM object and gives it back at the end of its life.
template <typename T>
class Com {
  public:
    Com() = default;
    ~Com() {
        if (p_ != nullptr) {
            p_->Release();
        }
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** put() { return &p_; }
    void** putVoid() { return reinterpret_cast<void**>(&p_); }

  private:
    T* p_ = nullptr;
};

// COM for the length of one encoding or decoding: this thread may already have it, in either
// threading model; it is let go only if it was taken here.
class ComSession {
  public:
    ComSession() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComSession() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;

  private:
    HRESULT result_;
};

std::string failure(const char* doing, HRESULT result) {
    return std::string("PNG image: ") + doing + " (" +
           systemMessage(static_cast<unsigned long>(result)) + ")";
}

HRESULT makeFactory(Com<IWICImagingFactory>& factory) {
    return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                            IID_IWICImagingFactory, factory.putVoid());
}

// The high byte of a 16-bit channel as WIC hands it over (in the machine's own byte order): the
// 8-bit number libpng keeps when it strips a channel to 8 bits.
std::uint8_t highByte(const std::uint8_t* channel) {
    std::uint16_t value = 0;
    std::memcpy(&value, channel, sizeof value);
    return static_cast<std::uint8_t>(value >> 8);
}

// The 16-bit formats the PNG decoder gives, each read by its channels' high bytes: WIC's own
// conversion to 8 bits rounds instead, which would read other numbers than the ones written.
struct WideFormat {
    const GUID* format;
    int bytesPerPixel;
    int red, green, blue;  // byte offsets of the channels in a pixel
};
const std::array<WideFormat, 3> kWideFormats = {{
    {&GUID_WICPixelFormat48bppRGB, 6, 0, 2, 4},
    {&GUID_WICPixelFormat64bppRGBA, 8, 0, 2, 4},
    {&GUID_WICPixelFormat16bppGray, 2, 0, 0, 0},
}};

// The frame's pixels as 8-bit red, green and blue; the reason in `error` when it cannot.
bool readPixels(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, Surface& image,
                std::string& error) {
    const int width = image.width();
    const int height = image.height();
    WICPixelFormatGUID format{};
    HRESULT result = frame->GetPixelFormat(&format);
    if (FAILED(result)) {
        error = failure("cannot tell its pixel format", result);
        return false;
    }
    for (const WideFormat& wide : kWideFormats) {
        if (!IsEqualGUID(format, *wide.format)) {
            continue;
        }
        const UINT stride = static_cast<UINT>(width * wide.bytesPerPixel);
        std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * height);
        result = frame->CopyPixels(nullptr, stride, static_cast<UINT>(rows.size()), rows.data());
        if (FAILED(result)) {
            error = failure("cannot read its pixels", result);
            return false;
        }
        const std::uint8_t* in = rows.data();
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x, in += wide.bytesPerPixel) {
                image.set(x, y,
                          rgb(highByte(in + wide.red), highByte(in + wide.green),
                              highByte(in + wide.blue)));
            }
        }
        return true;
    }
    // Everything else (palettes, grey of 1 to 8 bits, 8-bit colour with or without opacity)
    // widens to 8-bit blue, green, red and opacity without a change of number: palettes are
    // looked up, grey is scaled as libpng scales it, and no gamma or colour profile is applied.
    // The opacity is left aside.
    Com<IWICFormatConverter> converter;
    result = factory->CreateFormatConverter(converter.put());
    if (SUCCEEDED(result)) {
        result = converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                       nullptr, 0.0, WICBitmapPaletteTypeCustom);
    }
    if (FAILED(result)) {
        error = failure("cannot be read as 8-bit red, green and blue", result);
        return false;
    }
    const UINT stride = static_cast<UINT>(width * 4);
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * height);
    result = converter->CopyPixels(nullptr, stride, static_cast<UINT>(rows.size()), rows.data());
    if (FAILED(result)) {
        error = failure("cannot read its pixels", result);
        return false;
    }
    const std::uint8_t* in = rows.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, in += 4) {
            image.set(x, y, rgb(in[2], in[1], in[0]));
        }
    }
    return true;
}

// The whole of a stream in memory.
std::vector<std::uint8_t> contentsOf(IStream* stream) {
    STATSTG status{};
    if (FAILED(stream->Stat(&status, STATFLAG_NONAME))) {
        return {};
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(status.cbSize.QuadPart));
    LARGE_INTEGER start{};
    ULONG got = 0;
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) ||
        FAILED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got)) ||
        got != bytes.size()) {
        return {};
    }
    return bytes;
}

// Whether the header (the IHDR chunk, which the format puts first, after the signature) says
// 8-bit red, green and blue, not interlaced: WIC's decoder does not tell the interlacing.
bool isPlain(std::span<const std::uint8_t> file) {
    constexpr std::size_t kBitDepth = 24;  // signature 8, chunk length 4, "IHDR" 4, size 8
    constexpr std::size_t kColourType = 25;
    constexpr std::size_t kInterlace = 28;
    constexpr std::uint8_t kTrueColour = 2;
    return file.size() > kInterlace && file[kBitDepth] == 8 && file[kColourType] == kTrueColour &&
           file[kInterlace] == 0;
}

}  // namespace

// The whole PNG file for `image`, 8-bit RGB, as WIC's PNG encoder writes it (its own choice of
// filters and compression: the same pixels as the Linux build writes, not the same bytes).
std::vector<std::uint8_t> encodePng(const Surface& image) {
    const int width = image.width();
    const int height = image.height();
    if (width <= 0 || height <= 0) {
        return {};
    }
    const ComSession com;
    Com<IWICImagingFactory> factory;
    Com<IStream> memory;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    if (FAILED(makeFactory(factory)) ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, memory.put())) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(memory.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.put(), options.put())) ||
        FAILED(frame->Initialize(options.get())) ||
        FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)))) {
        return {};
    }
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(frame->SetPixelFormat(&format)) ||
        !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        return {};
    }
    // Rows of blue, green, red, each padded to whole 32-bit words as WIC's bitmaps are.
    const UINT stride = (static_cast<UINT>(width) * 3 + 3) & ~3u;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = rows.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const Colour c = GetPixel(image, x, y);
            *out++ = blueOf(c);
            *out++ = greenOf(c);
            *out++ = redOf(c);
        }
    }
    if (FAILED(frame->WritePixels(static_cast<UINT>(height), stride, static_cast<UINT>(rows.size()),
                                  rows.data())) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit())) {
        return {};
    }
    return contentsOf(memory.get());
}

PngResult decodePng(std::span<const std::uint8_t> file, int maxSidePx) {
    if (!looksLikePng(file)) {
        return {Surface{}, "PNG image: does not start with the PNG signature"};
    }
    const ComSession com;
    Com<IWICImagingFactory> factory;
    HRESULT result = makeFactory(factory);
    if (FAILED(result)) {
        return {Surface{}, failure("Windows' imaging component cannot start", result)};
    }
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    // WIC only reads the bytes it is given, though its interface takes them as writable.
    result = factory->CreateStream(stream.put());
    if (SUCCEEDED(result)) {
        result = stream->InitializeFromMemory(const_cast<BYTE*>(file.data()),
                                              static_cast<DWORD>(file.size()));
    }
    if (SUCCEEDED(result)) {
        result = factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.put());
    }
    if (SUCCEEDED(result)) {
        result = decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand);
    }
    if (SUCCEEDED(result)) {
        result = decoder->GetFrame(0, frame.put());
    }
    if (FAILED(result)) {
        return {Surface{}, failure("cannot be read", result)};
    }
    UINT width = 0;
    UINT height = 0;
    result = frame->GetSize(&width, &height);
    if (FAILED(result)) {
        return {Surface{}, failure("cannot tell its size", result)};
    }
    PngResult out;
    out.width = width;
    out.height = height;
    if (width > static_cast<UINT>(maxSidePx) || height > static_cast<UINT>(maxSidePx)) {
        out.error = "PNG image: larger than wanted";
        return out;
    }
    out.plain = isPlain(file);
    out.image = Surface(static_cast<int>(width), static_cast<int>(height));
    if (!readPixels(factory.get(), frame.get(), out.image, out.error)) {
        out.image = Surface{};
    }
    return out;
}

}  // namespace quellon
