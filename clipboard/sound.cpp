#include "sound.h"

#include <utility>
#include <windows.h>
#include <mmsystem.h>

#include "options.h"

namespace {

bool SystemSound(SoundKind kind, const std::wstring& file) {
    if (kind == SoundKind::Beep) return MessageBeep(MB_OK) != FALSE;
    // An asynchronous play reports success before it looks for the file, so a missing file is
    // caught here and gets the beep instead.
    if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    return PlaySoundW(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT) != FALSE;
}

SoundFunction soundFunction = SystemSound;

}  // namespace

void PlayWriteSound() {
    if (!ProcessingOptions.PLAY_SOUND) return;
    const std::wstring& file = ProcessingOptions.PLAY_SOUND_FNAME;
    if (!file.empty() && soundFunction(SoundKind::File, file)) return;
    soundFunction(SoundKind::Beep, std::wstring());
}

SoundFunction SetSoundFunction(SoundFunction function) {
    return std::exchange(soundFunction, function ? function : SystemSound);
}
