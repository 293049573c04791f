# The Windows tests run under Wine, in a prefix of the build folder made
# fresh by the first test of a run (wine_prefix) and stopped by the last.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  find_program(VQM_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
else()
  find_program(VQM_WINE NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
endif()
if(NOT VQM_WINE)
  set(VQM_WINE wine)
endif()
set(VQM_WINEPREFIX ${CMAKE_BINARY_DIR}/wine/prefix)
set(VQM_WINE_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/wine.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VQM_WINE_SCRIPT} run ${VQM_WINEPREFIX} ${VQM_WINE})

enable_testing()
add_test(NAME wine_prefix COMMAND ${VQM_WINE_SCRIPT} boot ${VQM_WINEPREFIX} ${VQM_WINE})
add_test(NAME wine_stop COMMAND ${VQM_WINE_SCRIPT} stop ${VQM_WINEPREFIX} ${VQM_WINE})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine LABELS wine TIMEOUT 400)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine LABELS wine TIMEOUT 60)

# vqm_add_wine_test(TARGET [ARGS...]): the program runs under Wine as one test.
function(vqm_add_wine_test target)
  add_test(NAME ${target} COMMAND ${target} ${ARGN})
  set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine LABELS wine TIMEOUT 600
    ENVIRONMENT "VQM_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

# vqm_add_self_contained_test(TARGET): the executable needs no DLL beside it,
# only the system's own (no MinGW runtime, no zlib).
function(vqm_add_self_contained_test target)
  add_test(NAME ${target}_self_contained
    COMMAND sh -c "! ${CMAKE_OBJDUMP} -p \"$0\" | grep -iE 'DLL Name: .*(stdc|gcc|pthread|zlib)'" $<TARGET_FILE:${target}>)
  set_tests_properties(${target}_self_contained PROPERTIES LABELS wine)
endfunction()
