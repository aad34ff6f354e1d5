// The application title and its information box, drives and the system
// directory.
#pragma once

#include <cstdint>
#include <string>

// The caption of the program's message boxes and the text of its taskbar
// entry.
const std::u16string& ApplicationTitle();
void SetApplicationTitle(std::u16string title);

// An information box modal to the application; an empty caption shows the
// application title.
void ShowInfoBox(const std::u16string& text, const std::u16string& caption);

// The bytes free for the user on the drive of that letter ("@": the current
// directory's drive), or -1.
std::int64_t DriveFreeSpace(char16_t letter);
// The letters of the fixed drives in drive order, such as "CD".
std::u16string GetFixedDrives();
// The system directory with a trailing backslash, or empty.
std::u16string GetSystemDir();
