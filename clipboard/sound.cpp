#include "sound.h"

#include <cstring>
#include <utility>
#include <windows.h>
#include <mmsystem.h>

#include "options.h"
#include "scoped_win.h"

namespace {

bool SystemSound(SoundKind kind, const std::wstring& file) {
    if (kind == SoundKind::Beep) return MessageBeep(MB_OK) != FALSE;
    return PlaySoundW(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT) != FALSE;
}

SoundFunction soundFunction = SystemSound;

struct ChunkHeader {
    char id[4];
    DWORD size;
};

bool ReadExactly(HANDLE file, void* buffer, DWORD size) {
    DWORD read = 0;
    return ReadFile(file, buffer, size, &read, nullptr) && read == size;
}

bool Skip(HANDLE file, LONGLONG bytes) {
    LARGE_INTEGER distance = {};
    distance.QuadPart = bytes;
    return SetFilePointerEx(file, distance, nullptr, FILE_CURRENT) != FALSE;
}

// The format chunk must describe at least a PCM format with channels, a rate and a block size.
bool UsableFormat(HANDLE file, DWORD size) {
    PCMWAVEFORMAT format = {};
    if (size < sizeof format || !ReadExactly(file, &format, sizeof format)) return false;
    return format.wf.nChannels > 0 && format.wf.nSamplesPerSec > 0 && format.wf.nBlockAlign > 0 &&
           Skip(file, static_cast<LONGLONG>(size - sizeof format) + (size & 1));
}

// An asynchronous play reports success before it opens the file, so a file that will not play
// (missing, unreadable, not a RIFF wave with its format chunk before the samples) is caught here
// and gets the beep instead of silence.
bool IsPlayableWaveFile(const std::wstring& path) {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char riff[12] = {};
    if (!ReadExactly(file.get(), riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    bool formatSeen = false;
    ChunkHeader chunk = {};
    while (ReadExactly(file.get(), &chunk, sizeof chunk)) {
        if (std::memcmp(chunk.id, "data", 4) == 0) return formatSeen;
        if (std::memcmp(chunk.id, "fmt ", 4) == 0) {
            if (formatSeen || !UsableFormat(file.get(), chunk.size)) return false;
            formatSeen = true;
        } else if (!Skip(file.get(), static_cast<LONGLONG>(chunk.size) + (chunk.size & 1))) {
            return false;
        }
    }
    return false;
}

}  // namespace

void PlayWriteSound() {
    if (!ProcessingOptions.PLAY_SOUND) return;
    const std::wstring& file = ProcessingOptions.PLAY_SOUND_FNAME;
    if (!file.empty() && IsPlayableWaveFile(file) && soundFunction(SoundKind::File, file)) return;
    soundFunction(SoundKind::Beep, std::wstring());
}

void PlayDefaultBeep() { soundFunction(SoundKind::Beep, std::wstring()); }

SoundFunction SetSoundFunction(SoundFunction function) {
    return std::exchange(soundFunction, function ? function : SystemSound);
}
