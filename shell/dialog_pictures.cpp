#include "dialog_pictures.h"

#include <algorithm>

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

SIZE FittedPictureSize(SIZE source, SIZE frame) {
    if (source.cx <= 0 || source.cy <= 0 || frame.cx <= 0 || frame.cy <= 0) return {0, 0};
    // the frame's width decides unless the height it then needs is more than the frame has
    if (static_cast<long long>(frame.cx) * source.cy <= static_cast<long long>(frame.cy) * source.cx)
        return {frame.cx, std::max(1, MulDiv(source.cy, frame.cx, source.cx))};
    return {std::max(1, MulDiv(source.cx, frame.cy, source.cy)), frame.cy};
}

void DialogPictures::Take(HWND dialog) {
    Clear();
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        const auto source = reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (!ShowsBitmap(control) || !source) continue;
        // The control gives back the bitmap it loaded from the template only when it is replaced:
        // it is ours from here on.
        pictures_.push_back({control, UniqueGdiObject(source), {}});
    }
    Refit();
}

void DialogPictures::Refit() {
    for (Picture& picture : pictures_) {
        BITMAP info = {};
        RECT frame = {};
        if (!GetObjectW(picture.source.get(), sizeof info, &info) || !GetClientRect(picture.control, &frame)) continue;
        const SIZE size = FittedPictureSize({info.bmWidth, info.bmHeight}, {frame.right, frame.bottom});
        UniqueGdiObject scaled = ScaledCopy(picture.control, static_cast<HBITMAP>(picture.source.get()), size.cx, size.cy);
        if (!scaled) continue;
        SendMessageW(picture.control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled.get()));
        picture.shown = std::move(scaled);  // the one shown before is released only now
    }
}

void DialogPictures::Clear() {
    for (const Picture& picture : pictures_) {
        if (IsWindow(picture.control)) SendMessageW(picture.control, STM_SETIMAGE, IMAGE_BITMAP, 0);
    }
    pictures_.clear();
}
