# The Windows build, included by CMakeLists.txt: quadruped.exe and the zip that
# ships it (`cpack` in the build folder, or the `package` target) with a
# README.txt made from keys.json, the project's licence and freeglut's.

# libstdc++, libgcc and winpthread linked in: the exe needs no DLL that a bare
# Windows lacks. A GUI program: started from Explorer it opens no console.
target_link_options(quadruped PRIVATE -static)
set_target_properties(quadruped PROPERTIES WIN32_EXECUTABLE ON)

set(quadruped_readme ${CMAKE_BINARY_DIR}/README.txt)
add_custom_command(OUTPUT ${quadruped_readme}
  COMMAND ${CMAKE_COMMAND} -DKEYS=${quadruped_keys} -DTITLE=${QUADRUPED_TITLE}
    -DVERSION=${PROJECT_VERSION} -DOUT=${quadruped_readme}
    -P ${CMAKE_CURRENT_SOURCE_DIR}/packaging/readme-txt.cmake
  DEPENDS packaging/readme-txt.cmake packaging/keys-text.cmake packaging/README.txt.in ${quadruped_keys}
  VERBATIM)
add_custom_target(quadruped_readme ALL DEPENDS ${quadruped_readme})

# freeglut is linked into the exe, so its licence goes with it: where
# scripts/windows.sh installs it, or where MSYS2's package keeps it.
get_filename_component(freeglut_prefix "${FreeGLUT_DIR}/../../.." ABSOLUTE)
find_file(QUADRUPED_FREEGLUT_LICENSE COPYING
  PATHS ${freeglut_prefix}/share/doc/freeglut ${freeglut_prefix}/share/licenses/freeglut
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

install(TARGETS quadruped RUNTIME DESTINATION .)
install(FILES ${quadruped_readme} DESTINATION .)
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${QUADRUPED_FREEGLUT_LICENSE} DESTINATION . RENAME freeglut-LICENSE.txt)

set(CPACK_PACKAGE_NAME quadruped)
set(CPACK_PACKAGE_VENDOR "The quadruped developers")
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME quadruped-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_STRIP_FILES ON)
include(CPack)
