# What `cmake --install` puts where, and the Debian package made of it by CPack.
install(TARGETS tasquill RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TASQUILL_PROMOTION)
  install(TARGETS tasquill-webview RUNTIME DESTINATION ${TASQUILL_HELPER_DIR})
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tasquill.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/images/hicolor/tasquill-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tasquill.png)
endforeach()
# The built-in chime, also inside the program, for the user to pick in the sound settings.
install(FILES ${CMAKE_SOURCE_DIR}/sounds/dingdong.wav DESTINATION ${CMAKE_INSTALL_DATADIR}/tasquill)
# The official holidays and make-up working days for 工作日 reminders, with their source's
# licence; found beside the program as bin/../share/tasquill.
install(FILES ${CMAKE_SOURCE_DIR}/data/workdays.txt ${CMAKE_SOURCE_DIR}/data/chinese-days.LICENSE
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tasquill)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tasquill)
set(CPACK_PACKAGE_VENDOR "Tasquill")
set(CPACK_PACKAGE_CONTACT "Tasquill developers <tasquill@tasquill.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop reminders and to-do list with a Chinese interface")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Tasquill keeps reminders that fire once, every year, month, day or week, or by the\n"
  "lunar calendar, and pops them up with a chime from the notification area. It shows\n"
  "today's to-do list and keeps a history of what was done and missed. Its interface is\n"
  "Chinese.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Shared libraries are found by dpkg-shlibdeps; what is loaded at run time is named here:
# the X11 platform plugin and a font with Chinese characters.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk")
# GNOME shows no notification area without this extension; with it the tray icon and its
# menu are there (Qt speaks its StatusNotifierItem protocol, as KDE Plasma's).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-shell-extension-appindicator")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
