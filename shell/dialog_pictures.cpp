#include "dialog_pictures.h"

#include "dpi.h"

namespace {

bool ShowsBitmap(HWND control) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    return lstrcmpiW(className, L"Static") == 0 && (GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
}

// A memory DC with one object selected, both given back on every way out.
class SelectedInMemoryDc {
public:
    SelectedInMemoryDc(HDC like, HGDIOBJ object) : dc_(CreateCompatibleDC(like)) {
        if (dc_) previous_ = SelectObject(dc_, object);
    }
    ~SelectedInMemoryDc() {
        if (!dc_) return;
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    SelectedInMemoryDc(const SelectedInMemoryDc&) = delete;
    SelectedInMemoryDc& operator=(const SelectedInMemoryDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

// HALFTONE averages the source pixels each target pixel covers: a smooth picture, not a jagged one.
UniqueGdiObject ScaledCopy(HWND control, HBITMAP source, int width, int height) {
    BITMAP info = {};
    if (!GetObjectW(source, sizeof info, &info)) return {};
    const WindowDc screen(control);
    UniqueGdiObject target(CreateCompatibleBitmap(screen.get(), width, height));
    if (!target) return {};
    const SelectedInMemoryDc from(screen.get(), source), to(screen.get(), target.get());
    if (!from.get() || !to.get()) return {};
    SetStretchBltMode(to.get(), HALFTONE);
    SetBrushOrgEx(to.get(), 0, 0, nullptr);
    StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    return target;
}

}  // namespace

DialogPictures ScaleDialogPictures(HWND dialog) {
    DialogPictures pictures;
    const UINT dpi = DpiOf(dialog);
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        const auto source = reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
        BITMAP info = {};
        if (!ShowsBitmap(control) || !source || !GetObjectW(source, sizeof info, &info)) continue;
        UniqueGdiObject scaled = ScaledCopy(control, source, MulDiv(info.bmWidth, dpi, kPictureDrawnDpi),
                                            MulDiv(info.bmHeight, dpi, kPictureDrawnDpi));
        if (!scaled) continue;
        // The control gives back the bitmap it loaded from the template; it is ours to delete now.
        UniqueGdiObject loaded(reinterpret_cast<HGDIOBJ>(
            SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled.get()))));
        pictures.push_back(std::move(scaled));
    }
    return pictures;
}
