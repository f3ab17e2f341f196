# Run with cmake -P: configures and builds the link library for Windows with the mingw-w64
# toolchain, then links a small program against it so unresolved Windows symbols show up too.
# Expects SOURCE_DIR, BINARY_DIR and COMPILER.
foreach(step IN ITEMS configure build link)
  if(step STREQUAL "configure")
    set(command ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR}
        -DCMAKE_TOOLCHAIN_FILE=${SOURCE_DIR}/cmake/mingw-w64.cmake
        -DORVANEL_LINK_ONLY=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
  elseif(step STREQUAL "build")
    set(command ${CMAKE_COMMAND} --build ${BINARY_DIR} -j2)
  else()
    set(command ${COMPILER} -std=c++20 -Wall -Wextra -Werror -I${SOURCE_DIR}/src
        ${SOURCE_DIR}/tests/support/WindowsLinkCheck.cpp ${BINARY_DIR}/src/liborvanel_link.a
        -lws2_32 -static -o ${BINARY_DIR}/windows-link-check.exe)
  endif()
  execute_process(COMMAND ${command} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Windows cross build: ${step} step failed (${result})")
  endif()
endforeach()
