# kaze_collect_sources(): adds the .cpp files of the calling folder to the libraries.
# A file whose first line starts with "// byte-level" uses no Windows headers: it goes
# into `bytes`, which also builds natively for the sanitizer tests. Every other file is
# Windows code and goes into `core`. Files named *Main.cpp are entry points and are left
# to their executables.
function(kaze_collect_sources)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(f ${srcs})
    if(f MATCHES "Main\\.cpp$")
      continue()  # program entry points belong to their executables
    endif()
    file(STRINGS ${f} first LIMIT_COUNT 1)
    if(first MATCHES "^// byte-level")
      target_sources(bytes PRIVATE ${f})
    elseif(INSTALLER_WINDOWS)
      target_sources(core PRIVATE ${f})
    endif()
  endforeach()
endfunction()
