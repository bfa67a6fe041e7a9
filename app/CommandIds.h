#pragma once
// Command ids of menus, tool bar and accelerators, and the private message numbers.

namespace cmd {

// The framework's standard commands.
inline constexpr int ID_FILE_NEW = 0xE100;
inline constexpr int ID_FILE_OPEN = 0xE101;
inline constexpr int ID_FILE_CLOSE = 0xE102;
inline constexpr int ID_FILE_SAVE = 0xE103;
inline constexpr int ID_FILE_SAVE_AS = 0xE104;
inline constexpr int ID_WINDOW_ARRANGE = 0xE131;
inline constexpr int ID_WINDOW_CASCADE = 0xE132;
inline constexpr int ID_WINDOW_TILE_HORZ = 0xE133;
inline constexpr int ID_APP_ABOUT = 0xE140;
inline constexpr int ID_APP_EXIT = 0xE141;
inline constexpr int ID_VIEW_TOOLBAR = 0xE800;
inline constexpr int ID_VIEW_STATUS_BAR = 0xE801;

// The program's own commands.
inline constexpr int ID_RECTIFY = 32772;
inline constexpr int ID_LOAD_PARAMETERS = 32773;
inline constexpr int ID_SAVE_PARAMETERS = 32774;
inline constexpr int ID_CROP = 32781;
inline constexpr int ID_MEASURE_CONTROL_POINTS = 32782;
inline constexpr int ID_MEASURE_RECTANGLE = 32783;
inline constexpr int ID_MIRROR_VERTICAL = 32784;
inline constexpr int ID_MIRROR_HORIZONTAL = 32786;
inline constexpr int ID_SETTINGS = 32787;
inline constexpr int ID_TOOL_DISTANCE = 32790;
inline constexpr int ID_TOOL_POINTS = 32791;
inline constexpr int ID_FINISH_MEASURE = 32792;
inline constexpr int ID_TOOL_CROP = 32793;
inline constexpr int ID_TOOL_AREA = 32794;
inline constexpr int ID_LANGUAGE_GERMAN = 32795;
inline constexpr int ID_LANGUAGE_ENGLISH = 32796;
inline constexpr int ID_ZOOM_IN = 32797;
inline constexpr int ID_ZOOM_OUT = 32798;
inline constexpr int ID_VIEW_ASSISTANT = 32800;
inline constexpr int ID_ZOOM_100 = 32801;

}  // namespace cmd

namespace msg {

// Private messages, posted (WM_APP + n).
inline constexpr int WM_APP_POINT_PICKED = 0x8001;
inline constexpr int WM_APP_FILE_SELECTED = 0x8002;
inline constexpr int WM_APP_WORKFLOW_STEP = 0x8003;
inline constexpr int WM_APP_ASSISTANT_COMMAND = 0x8004;

}  // namespace msg
