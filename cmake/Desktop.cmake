# What the desktop needs to offer Quillmere in its menus: the desktop entry, the icon in the
# hicolor theme (drawn by the build, see app/component) and the AppStream metadata. Included
# from the top-level CMakeLists.txt in builds with windows.
include(GNUInstallDirs)

set(QUILLMERE_SCREENSHOT "https://quillmere.org/screenshots/main-window.png"
    CACHE STRING "Address of the screenshot named in the AppStream metadata")
set(QUILLMERE_RELEASE_DATE "2026-12-11" CACHE STRING "Release date of this version, YYYY-MM-DD")

set(QUILLMERE_DESKTOP_FOLDER ${PROJECT_BINARY_DIR}/desktop)

# The metadata knows no paths, so it is written when Quillmere is configured.
set(QUILLMERE_HOME_PAGE_ELEMENT "")
if(QUILLMERE_HOME_PAGE)
    set(QUILLMERE_HOME_PAGE_ELEMENT "  <url type=\"homepage\">${QUILLMERE_HOME_PAGE}</url>\n")
endif()
configure_file(${PROJECT_SOURCE_DIR}/app/resources/quillmere.metainfo.xml.in
    ${QUILLMERE_DESKTOP_FOLDER}/${QUILLMERE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${QUILLMERE_DESKTOP_FOLDER}/${QUILLMERE_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The entry starts the program where it is installed, so it is written at install time, when
# the prefix is known (`cmake --install build --prefix PREFIX`).
install(CODE "
    set(QUILLMERE_APP_ID \"${QUILLMERE_APP_ID}\")
    set(QUILLMERE_DESKTOP_TEMPLATE \"${PROJECT_SOURCE_DIR}/app/resources/quillmere.desktop.in\")
    set(QUILLMERE_DESKTOP_FOLDER \"${QUILLMERE_DESKTOP_FOLDER}\")
    set(QUILLMERE_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
    set(QUILLMERE_APPLICATIONS_DIR \"${CMAKE_INSTALL_DATADIR}/applications\")")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/InstallDesktopEntry.cmake)

install(FILES ${QUILLMERE_ICON_FOLDER}/hicolor/scalable/apps/${QUILLMERE_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS QUILLMERE_ICON_SIZES)
    install(FILES ${QUILLMERE_ICON_FOLDER}/hicolor/${size}x${size}/apps/${QUILLMERE_APP_ID}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
