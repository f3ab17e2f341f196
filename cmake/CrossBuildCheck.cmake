# Run with cmake -P: cross-builds cmake/windows (the link library, a program linked against it so
# that unresolved Windows symbols show up, and link_tests.exe) with the mingw-w64 toolchain.
# Expects SOURCE_DIR and BINARY_DIR. Reports itself skipped where that toolchain is missing.
find_program(ORVANEL_MINGW_CXX x86_64-w64-mingw32-g++-posix)
if(NOT ORVANEL_MINGW_CXX)
  message("SKIPPED: the mingw-w64 posix toolchain (x86_64-w64-mingw32-g++-posix) is not installed")
  return()
endif()

foreach(step IN ITEMS configure build)
  if(step STREQUAL "configure")
    set(command ${CMAKE_COMMAND} -S ${SOURCE_DIR}/cmake/windows -B ${BINARY_DIR}
        -DCMAKE_TOOLCHAIN_FILE=${SOURCE_DIR}/cmake/mingw-w64.cmake)
  else()
    set(command ${CMAKE_COMMAND} --build ${BINARY_DIR} -j2)
  endif()
  execute_process(COMMAND ${command} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Windows cross build: ${step} step failed (${result})")
  endif()
endforeach()
