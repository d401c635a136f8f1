# Sources are gathered per layer by folder, so a new file in a subsystem joins its layer
# without touching this list. A core file cannot include a widget header: the core library
# does not link Qt Widgets.
set(VORNIX_CORE_DIRS core db receipts eet print settings update platform)
set(VORNIX_UI_DIRS app/ui receipts/ui print/ui settings/ui)

set(core_sources)
foreach(dir ${VORNIX_CORE_DIRS})
  file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  list(APPEND core_sources ${found})
endforeach()
add_library(vornix_core STATIC ${core_sources})
target_include_directories(vornix_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vornix_core PUBLIC vornix_options Qt6::Core Qt6::Gui Qt6::Sql)
# libcurl: the FTP client of the program update.
find_package(CURL REQUIRED)
target_link_libraries(vornix_core PUBLIC CURL::libcurl)
# System-wide hot keys: X11 through Qt's xcb connection when libxcb is there, else none.
find_package(X11 QUIET)
if(X11_xcb_FOUND)
  target_sources(vornix_core PRIVATE ${CMAKE_SOURCE_DIR}/platform/x11/hotkeys_x11.cpp)
  target_link_libraries(vornix_core PUBLIC X11::xcb)
else()
  target_sources(vornix_core PRIVATE ${CMAKE_SOURCE_DIR}/platform/none/hotkeys_none.cpp)
endif()
if(TARGET eetclient)
  target_link_libraries(vornix_core PUBLIC eetclient)
  target_compile_definitions(vornix_core PUBLIC VORNIX_HAS_EETCLIENT)
endif()
target_compile_definitions(vornix_core PUBLIC VORNIX_VERSION="${PROJECT_VERSION}")

set(ui_sources)
foreach(dir ${VORNIX_UI_DIRS})
  file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  list(APPEND ui_sources ${found})
endforeach()
file(GLOB app_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/*.cpp ${CMAKE_SOURCE_DIR}/app/*.h)
list(REMOVE_ITEM app_sources ${CMAKE_SOURCE_DIR}/app/main.cpp)
add_library(vornix_ui STATIC ${ui_sources} ${app_sources} ${CMAKE_SOURCE_DIR}/app/resources.qrc)
target_link_libraries(vornix_ui PUBLIC vornix_core Qt6::Widgets Qt6::PrintSupport)

add_executable(vornix ${CMAKE_SOURCE_DIR}/app/main.cpp)
target_link_libraries(vornix PRIVATE vornix_ui)
set_target_properties(vornix PROPERTIES INSTALL_RPATH_USE_LINK_PATH ON)
