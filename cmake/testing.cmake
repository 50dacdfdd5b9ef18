# Test registration for both builds.
#
# Native: every GoogleTest case is its own CTest test.
# Win64: each test program runs under Wine (the cross-compiling emulator)
# three times, with the ANSI code pages 932, 1252 and 65001 (UTF-8), inside
# one Xvfb and one wineserver for the whole run. What depends on the
# display's resolution runs again at 144 and 192 pixels per inch, each in a
# prefix, a wineserver and an Xvfb of its own (Wine reads the resolution
# from the prefix's registry when a program starts).

if(CMAKE_CROSSCOMPILING)
  # GoogleTest for MinGW, built from the Debian sources.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(VARLO_GTEST_MAIN gtest_main)
  set(VARLO_GMOCK gmock)

  set(VARLO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine)
  set(varlo_wine_env
    "WINEPREFIX=${VARLO_WINEPREFIX}"
    "VARLO_XVFB_DIR=${CMAKE_BINARY_DIR}")
  add_test(NAME wine.start COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-session start)
  add_test(NAME wine.stop COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-session stop)
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${varlo_wine_env}")
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${varlo_wine_env}")
  set(VARLO_DPIS 144 192)
  foreach(dpi ${VARLO_DPIS})
    set(varlo_wine_env_${dpi}
      "WINEPREFIX=${CMAKE_BINARY_DIR}/dpi${dpi}/wine"
      "VARLO_XVFB_DIR=${CMAKE_BINARY_DIR}/dpi${dpi}"
      "VARLO_WINE_DPI=${dpi}")
    add_test(NAME wine${dpi}.start COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-session start)
    add_test(NAME wine${dpi}.stop COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-session stop)
    # Taking the desktop lock too: a session that starts or stops beside a
    # test that types would take the processor from it, and keys from it.
    set_tests_properties(wine${dpi}.start PROPERTIES FIXTURES_SETUP wine${dpi}
      FIXTURES_REQUIRED wine RESOURCE_LOCK wine_desktop ENVIRONMENT "${varlo_wine_env_${dpi}}")
    set_tests_properties(wine${dpi}.stop PROPERTIES FIXTURES_CLEANUP wine${dpi}
      RESOURCE_LOCK wine_desktop ENVIRONMENT "${varlo_wine_env_${dpi}}")
  endforeach()
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  set(VARLO_GTEST_MAIN GTest::gtest_main)
  set(VARLO_GMOCK GTest::gmock)
endif()

# varlo_add_test(NAME source... LIBS lib... [BY_DPI])
# BY_DPI: a Windows program that runs at each resolution instead of in each
# code page.
function(varlo_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "BY_DPI" "" "LIBS")
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} ${VARLO_GTEST_MAIN} ${VARLO_GMOCK} varlo_options)
  if(arg_BY_DPI)
    varlo_add_dpi_runs(${name} ${name} 96 ${VARLO_DPIS})
  elseif(CMAKE_CROSSCOMPILING)
    # The ANSI code page follows the locale: 932 (ja), 1252 (en), and
    # 65001 (u8: Wine takes UTF-8 as the code page of a locale that has no
    # ANSI one, as Windows does with its "UTF-8 for worldwide language
    # support" setting).
    # The first run has Wine check its heap at every call: a block freed
    # twice or used after it was freed fails it.
    foreach(run ja_JP.UTF-8:ja:1 en_US.UTF-8:en:0 hi_IN.UTF-8:u8:0)
      string(REPLACE ":" ";" run ${run})
      list(GET run 0 locale)
      list(GET run 1 tag)
      list(GET run 2 heap)
      add_test(NAME ${name}.${tag} COMMAND ${name})
      set_tests_properties(${name}.${tag} PROPERTIES
        FIXTURES_REQUIRED wine
        # One desktop: programs that open windows would take the focus
        # from each other.
        RESOURCE_LOCK wine_desktop
        ENVIRONMENT "${varlo_wine_env};LANG=${locale};LC_ALL=${locale};VARLO_HEAP_CHECK=${heap}"
        LABELS "win64;${tag}"
        TIMEOUT 600)
    endforeach()
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
  endif()
endfunction()

# varlo_add_dpi_runs(NAME PROGRAM DPI... [ARGS arg...]): the Windows test
# program at each of these resolutions (96 is the prefix of the locale
# runs), under code page 932; VARLO_TEST_DPI tells it which.
function(varlo_add_dpi_runs name program)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "ARGS")
  foreach(dpi ${arg_UNPARSED_ARGUMENTS})
    if(dpi EQUAL 96)
      set(env "${varlo_wine_env}")
      set(fixture wine)
    else()
      set(env "${varlo_wine_env_${dpi}}")
      set(fixture "wine;wine${dpi}")
    endif()
    add_test(NAME ${name}.dpi${dpi} COMMAND ${program} ${arg_ARGS})
    set_tests_properties(${name}.dpi${dpi} PROPERTIES
      FIXTURES_REQUIRED "${fixture}"
      RESOURCE_LOCK wine_desktop
      ENVIRONMENT "${env};LANG=ja_JP.UTF-8;LC_ALL=ja_JP.UTF-8;VARLO_TEST_DPI=${dpi}"
      LABELS "win64;dpi"
      TIMEOUT 600)
  endforeach()
endfunction()
