# Where `cmake --install` puts VELMOR, following the file-system layout Linux
# desktops look in, and the Debian package CPack builds from the same rules.
include(GNUInstallDirs)

set(VELMOR_APP_ID org.velmor.velmor)
set(packaging ${CMAKE_SOURCE_DIR}/packaging)

if(TARGET velmor)
  install(TARGETS velmor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET velmor-batch)
  install(TARGETS velmor-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${packaging}/${VELMOR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/${VELMOR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging}/icons/${VELMOR_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${packaging}/icons/${VELMOR_APP_ID}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/velmor/examples)
install(FILES ${packaging}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Man pages are installed compressed, as Debian's policy asks; -n keeps the
# archive free of a time stamp so that two builds give the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(man_page ${CMAKE_BINARY_DIR}/velmor-batch.1.gz)
add_custom_command(OUTPUT ${man_page}
                   COMMAND ${GZIP_PROGRAM} -9nc ${packaging}/velmor-batch.1 > ${man_page}
                   DEPENDS ${packaging}/velmor-batch.1
                   COMMENT "Compressing the velmor-batch manual page")
add_custom_target(velmor_man_page ALL DEPENDS ${man_page})
install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package. dpkg-shlibdeps reads the libraries the programs link
# (Qt 6, the C++ runtime, velmor-batch's libcrypto from libssl3) and writes the
# matching dependencies.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmor)
set(CPACK_PACKAGE_VENDOR "The VELMOR developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Monte Carlo studies of the one-way analysis of variance")
set(CPACK_PACKAGE_DESCRIPTION
    "VELMOR draws many sets of three samples from populations you describe and runs the F test on each, to
report the actual Type I error rate with a robustness verdict, the actual power, the group sizes that
reach a target power and the sampling distribution of the group means. The velmor-batch command runs
the same studies, and grids of them, without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The VELMOR developers <velmor@velmor.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop's input-method and theme plugins, and the narrow sans-serif the
# window is laid out for; the window runs without them, so they are advised only.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins, fonts-liberation2")
include(CPack)
