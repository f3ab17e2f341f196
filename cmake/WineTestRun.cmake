# Run with cmake -P: runs link_tests.exe, built by CrossBuildCheck.cmake in BINARY_DIR, under
# Wine. The Wine prefix lives in BINARY_DIR too and is made on the first run. Nothing here needs
# a display. Reports itself skipped where Wine or the mingw-w64 toolchain is missing.
find_program(ORVANEL_MINGW_CXX x86_64-w64-mingw32-g++-posix)
# Debian keeps wine64 out of PATH, in /usr/lib/wine.
find_program(ORVANEL_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(NOT ORVANEL_MINGW_CXX OR NOT ORVANEL_WINE)
  message("SKIPPED: Wine (wine64) or the mingw-w64 posix toolchain is not installed")
  return()
endif()
get_filename_component(wine_dir ${ORVANEL_WINE} DIRECTORY)
find_program(ORVANEL_WINESERVER NAMES wineserver PATHS ${wine_dir} NO_DEFAULT_PATH)
find_program(ORVANEL_WINESERVER NAMES wineserver)

set(tests ${BINARY_DIR}/link_tests.exe)
if(NOT EXISTS ${tests})
  message(FATAL_ERROR "${tests} is missing: the Windows cross build did not make it")
endif()

set(prefix ${BINARY_DIR}/wine-prefix)
set(ENV{WINEPREFIX} ${prefix})
set(ENV{WINEARCH} win64)
set(ENV{WINEDEBUG} -all)
# No .NET or HTML engine to offer, and no menu entries or file associations in the user's home.
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=;winemenubuilder.exe=d")
# Console programs only: Wine must not open windows on whatever display the caller has.
set(ENV{DISPLAY} "")
unset(ENV{WAYLAND_DISPLAY})

# The first start fills the prefix (about 0.7 GB of system files); bounded, and a prefix that did
# not finish is dropped so that the next run starts it afresh.
if(NOT EXISTS ${prefix}/system.reg)
  file(REMOVE_RECURSE ${prefix})
  message("Creating the Wine prefix ${prefix}")
  execute_process(COMMAND ${ORVANEL_WINE} wineboot --init
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output
                  TIMEOUT 240)
  if(ORVANEL_WINESERVER)
    execute_process(COMMAND ${ORVANEL_WINESERVER} -w TIMEOUT 60)
  endif()
  if(NOT result EQUAL 0 OR NOT EXISTS ${prefix}/system.reg)
    file(REMOVE_RECURSE ${prefix})
    message(FATAL_ERROR "Wine prefix not created (${result}):\n${output}")
  endif()
endif()

execute_process(COMMAND ${ORVANEL_WINE} ${tests} --gtest_color=no
                WORKING_DIRECTORY ${BINARY_DIR}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output
                TIMEOUT 180)
# Leaves no Wine process of this prefix behind the test.
if(ORVANEL_WINESERVER)
  execute_process(COMMAND ${ORVANEL_WINESERVER} -w TIMEOUT 60)
endif()
message("${output}")
if(NOT result EQUAL 0 OR NOT output MATCHES "\\[  PASSED  \\] [1-9][0-9]* tests?\\.")
  message(FATAL_ERROR "link_tests.exe under Wine failed (${result})")
endif()
