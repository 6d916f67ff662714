// The framework's standard command ids, for code and resource scripts alike.
#pragma once

#define ID_APP_ABOUT 0xE140   // 57664: Help > About
#define ID_APP_EXIT 0xE141    // 57665: File > Exit
