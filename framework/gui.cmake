# The GUI framework over Win32 (Windows only): components, controls, forms, dialogs.
equidiv_library(framework
  ${CMAKE_CURRENT_LIST_DIR}/Classes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Handles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Graphics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Mouse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WindowClasses.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WinControls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CustomControls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UtilityWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StdCtrls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ExtCtrls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComCtrls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Menus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Forms.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Shell.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Convert.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Subclass.cpp)
target_link_libraries(framework PUBLIC framework_core comctl32 comdlg32 shell32 shlwapi ole32 uuid gdi32 user32 msimg32)
