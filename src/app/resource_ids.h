// Identifiers of the Windows resources (resources/quillmere.rc) and of the
// controls in its dialog templates. Read by windres and by the Win32 view.
#pragma once

// Dialog templates.
#define QM_IDD_ABOUT 100
#define QM_IDD_CONVERTER 102
// The application icon: 16, 32 and 48 pixels.
#define QM_IDI_APP 128

// The converter dialog's controls (IDCANCEL, 2, is the "キャンセル" button).
#define QM_IDC_PVZ_TO_PNG 1001
#define QM_IDC_FILE_NAME 1002
#define QM_IDC_STATUS 1003
#define QM_IDC_PNG_TO_PVZ 1004
// The captions, which are never changed after start-up; they have ids only
// so that their texts can be set from the program's one list of texts.
#define QM_IDC_FILE_NAME_CAPTION 1005
#define QM_IDC_STATUS_CAPTION 1006

// The about box's texts (IDOK, 1, is its button).
#define QM_IDC_ABOUT_VERSION 1007
#define QM_IDC_ABOUT_COPYRIGHT 1008
