// Resource and command ids of the standalone host.
#pragma once

#define IDR_MAINFRAME 128          // menu, icon and document strings
#define IDD_ABOUTBOX 100
#define IDD_OPTIONS 130            // Settings
#define IDD_LOADING 132
#define IDP_OLE_INIT_FAILED 100
#define IDC_ASIO 1000
#define IDC_MIDI 1001
#define IDC_RATE 1002
#define IDC_SAVELAST 1003
#define ID_SETTINGS 32771
