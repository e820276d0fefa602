# The test tree's view of the shipped programs: the shipped tree is built as the target
# `shipped` (every build, so a change to the sources reaches the files on the disc), and
# its programs are imported under the names the tests use (setup, cab32, kaze_inst,
# tsukimi_demo), so that $<TARGET_FILE:setup> is the file that goes onto the disc.
include(ExternalProject)
set(SHIPPED_DIR ${CMAKE_BINARY_DIR}/shipped)
set(shipped_files app/setup.exe cab32/cab32.dll uninstaller/Kaze_Inst.exe demo/Tsukimi.exe
                  disccheck/disccheck.exe)
list(TRANSFORM shipped_files PREPEND ${SHIPPED_DIR}/ OUTPUT_VARIABLE shipped_paths)
ExternalProject_Add(shipped
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${SHIPPED_DIR}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686-win32.cmake
             -DCMAKE_BUILD_TYPE=Release -DKAZE_SHIPPED_ONLY=ON
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${shipped_paths})

function(kaze_import_shipped target kind file)
  if(kind STREQUAL "EXE")
    add_executable(${target} IMPORTED GLOBAL)
  else()
    add_library(${target} SHARED IMPORTED GLOBAL)
  endif()
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${SHIPPED_DIR}/${file})
  add_dependencies(${target} shipped)
endfunction()
kaze_import_shipped(setup EXE app/setup.exe)
kaze_import_shipped(cab32 DLL cab32/cab32.dll)
kaze_import_shipped(kaze_inst EXE uninstaller/Kaze_Inst.exe)
kaze_import_shipped(tsukimi_demo EXE demo/Tsukimi.exe)
kaze_import_shipped(disccheck EXE disccheck/disccheck.exe)
