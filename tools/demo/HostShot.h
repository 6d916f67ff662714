// The standalone host's window for the demonstration: the program started as
// a user starts it for the first time (it asks for its devices; there are no
// ASIO drivers here, so that is cancelled), its Settings dialog and its
// window captured, then closed with its close box.
#pragma once

#include <string>

// 0 when both pictures were written and the program ended well; otherwise
// prints what went wrong and returns 1.
int ShootStandaloneHost(const std::wstring& program, const std::wstring& settingsPng, const std::wstring& windowPng);
