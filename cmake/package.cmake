# The Windows download: a zip that runs once unpacked, holding the viewer, the content files it
# reads (beside it, as it expects them) and a README for Windows users; nothing else of the build.
install(TARGETS tidewater RUNTIME DESTINATION .)
foreach(file ${CONTENT_FILES})
  get_filename_component(folder ${file} DIRECTORY)
  install(FILES ${CMAKE_BINARY_DIR}/${file} DESTINATION ${folder})
endforeach()
# Windows line ends, so that every Windows text viewer shows the lines.
configure_file(${CMAKE_SOURCE_DIR}/resources/README.txt.in ${CMAKE_BINARY_DIR}/generated/README.txt
  @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/generated/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
set(CPACK_PACKAGE_FILE_NAME tidewater-${CPACK_PACKAGE_VERSION}-win64)
# The files sit at the zip's root: Explorer's "Extract All" already makes a folder for them.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
