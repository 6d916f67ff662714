// Resource ids of the converter's front end.
#pragma once

#define IDD_SF2KSS_DIALOG 102
#define IDR_MAINFRAME 129

#define IDC_SOUNDFONT 1001
#define IDC_OUTPUTDIR 1002
#define IDC_BROWSE_SOUNDFONT 1003
#define IDC_BROWSE_OUTPUTDIR 1004
#define IDC_CONVERT 1005
