#pragma once
// The sound after a successful write. Every sound goes through one replaceable function so tests
// can record what would have sounded.
#include <string>

enum class SoundKind { File, Beep };

// Plays `file` (SoundKind::File, a file already checked to be a wave) or the default beep; false
// when it could not be played.
using SoundFunction = bool (*)(SoundKind kind, const std::wstring& file);

// PLAY_SOUND: the file of PLAY_SOUND_FNAME, or the default beep when it is empty, missing, not a
// wave file or cannot play.
void PlayWriteSound();

// The default beep, whatever PLAY_SOUND says: it tells the user that a request did nothing.
void PlayDefaultBeep();

SoundFunction SetSoundFunction(SoundFunction function);
