# D3DX comes with the DirectX runtime, which Windows lacks by default. Imported the usual way,
# a missing d3dx9_36.dll stops the program in the system loader before any of our code runs;
# delay-loaded, app/d3dx_binding.cpp binds it first thing and says plainly what is missing.
# The import library lists every export of mingw-w64's own, so any D3DX call links.
find_library(D3DX_IMPORT_LIBRARY NAMES libd3dx9_36.a REQUIRED)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${D3DX_IMPORT_LIBRARY})
execute_process(COMMAND ${CMAKE_NM} ${D3DX_IMPORT_LIBRARY} OUTPUT_VARIABLE d3dx_symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "__imp_[A-Za-z0-9_]+" d3dx_imports "${d3dx_symbols}")
list(TRANSFORM d3dx_imports REPLACE "^__imp_" "")
list(REMOVE_DUPLICATES d3dx_imports)
list(JOIN d3dx_imports "\n" d3dx_exports)
set(d3dx_def ${CMAKE_BINARY_DIR}/generated/d3dx9_36.def)
# Both files are made again only when the exports change: a fresh library at every configure
# would relink every program on each build.
file(WRITE ${d3dx_def}.new "LIBRARY d3dx9_36.dll\nEXPORTS\n${d3dx_exports}\n")
configure_file(${d3dx_def}.new ${d3dx_def} COPYONLY)
# The file name makes the symbol app/d3dx_binding.cpp reads: __DELAY_IMPORT_DESCRIPTOR_libd3dx9_36_delayed_a.
set(D3DX_DELAYED_LIBRARY ${CMAKE_BINARY_DIR}/generated/libd3dx9_36_delayed.a)
if(${d3dx_def} IS_NEWER_THAN ${D3DX_DELAYED_LIBRARY})
  # Run in its folder: dlltool makes the symbol from the name as given, path and all.
  execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def d3dx9_36.def --output-delaylib libd3dx9_36_delayed.a
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/generated COMMAND_ERROR_IS_FATAL ANY)
endif()
