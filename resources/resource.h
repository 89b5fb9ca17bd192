// Resource ids of the program: menus, accelerators, strings, dialogs, icons
// and the command ids the menu sends. Shared by the resource script and the
// Win32 front end; plain defines so that windres reads it too.
#pragma once

// String table
#define IDS_APP_TITLE           103   // "zavik view"
#define IDC_ZAVIK_VIEW          109   // window class name, also menu and accelerators

// Dialogs
#define IDD_ABOUTBOX            103
#define IDD_PAINTER             117   // 絵師の特徴
#define IDD_USE_ITEM            119   // アイテムを使う
#define IDD_TRANSPARENCY        146   // 背景透過
#define IDD_COLOURS             147   // 筆と背景の色

// Icons, in resource order: the executable's icon groups are counted by
// ascending id, so the painter, canvas and item document icons are the
// groups at positions 10, 11 and 12.
#define IDI_ZAVIK_VIEW          107   // position 0, 32 x 32 class icon
#define IDI_SMALL               108   // position 1, 16 x 16 class icon
#define IDI_DOC_JPEG            110
#define IDI_DOC_BMP             111
#define IDI_DOC_PNG             112
#define IDI_TRANSPARENCY        113
#define IDI_COLOURS             114
#define IDI_PROPERTIES          115
#define IDI_ASSOCIATION         116
#define IDI_ABOUT               117   // position 9
#define IDI_DOC_PAINTER         120   // position 10
#define IDI_DOC_CANVAS          121   // position 11
#define IDI_DOC_ITEM            122   // position 12

// Menu commands
#define IDM_ABOUT               104
#define IDM_EXIT                105
#define IDM_OPEN                32771
#define IDM_SAVE                32772
#define IDM_ASSOCIATE           32773
#define IDM_PROPERTIES          32774
#define IDM_TRANSPARENCY        32775
#define IDM_COLOURS             32776
#define IDM_ZOOM_100            32777
#define IDM_ZOOM_10             32786

// Controls
#define IDC_STATUS_BAR          100

// The painter dialog
#define IDC_PAINTER_NAME        1050
#define IDC_FILL_PEN_NAME       1012
#define IDC_FILL_PEN_SHAPE      1017
#define IDC_FILL_PEN_SIZE       1018
#define IDC_FILL_PEN_HARDNESS   1005
#define IDC_FILL_PEN_DENSITY    1006
#define IDC_OUTLINE_PEN_NAME    1013
#define IDC_OUTLINE_PEN_SHAPE   1057
#define IDC_OUTLINE_PEN_SIZE    1058
#define IDC_OUTLINE_PEN_HARDNESS 1007
#define IDC_OUTLINE_PEN_DENSITY 1008
#define IDC_MEMO                1049
#define IDC_DIAGNOSE            1160   // created hidden and disabled
#define IDC_STORE_MEMO          1161   // created hidden and disabled
#define IDC_CLOSE               8

// The use-item dialog
#define IDC_ITEM_NAME           1012
#define IDC_ITEM_EXPLANATION    1123
#define IDC_ITEM_FILL_PEN       1131
#define IDC_ITEM_OUTLINE_PEN    1132
#define IDC_ITEM_PEN_GROUP      1134
#define IDC_ITEM_QUESTION       1135

// The transparency dialog
#define IDC_PEN_LABEL           1000
#define IDC_BACKGROUND_LABEL    1001
#define IDC_SWAP                1003   // 反転
#define IDC_TOLERANCE           1006

// The pen and background colour dialog
#define IDC_CHANGE_PEN          1007
#define IDC_CHANGE_BACKGROUND   1008
#define IDC_MODE_TRANSPARENT    1131   // 透過
#define IDC_MODE_FILL           1132   // 背景色

// The file association dialog and its check boxes, one per file kind
#define IDD_ASSOCIATE           112   // 関連付け
#define IDC_ASSOC_ESI           1013
#define IDC_ASSOC_CNV           1014
#define IDC_ASSOC_ITM           1015

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif
