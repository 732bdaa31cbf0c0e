# Shared settings for every target of the project.

if(WIN32)
  set(EQUIDIV_WINDOWS ON)
else()
  set(EQUIDIV_WINDOWS OFF)
endif()

# Warnings for our own targets only; third-party code built alongside keeps its own flags.
function(equidiv_target_settings target)
  # GCC 12 takes a class's destroying operator delete (components run BeforeDestruction
  # there) for a mismatch with the global operator new it pairs with.
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                         -Wno-missing-field-initializers -Wno-mismatched-new-delete)
  if(EQUIDIV_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(EQUIDIV_WINDOWS)
    target_compile_definitions(${target} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                               _WIN32_WINNT=0x0601)
  endif()
  if(EQUIDIV_SANITIZE AND NOT EQUIDIV_WINDOWS)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                           -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

function(equidiv_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  equidiv_target_settings(${name})
endfunction()

function(equidiv_executable name)
  add_executable(${name} ${ARGN})
  equidiv_target_settings(${name})
  if(EQUIDIV_WINDOWS)
    target_link_options(${name} PRIVATE -static -municode)
  endif()
endfunction()

# GoogleTest: Debian's package natively, built from Debian's sources when cross-compiling
# with MinGW; an installed GoogleTest elsewhere (MSYS2 on Windows).
if(EQUIDIV_WINDOWS AND CMAKE_CROSSCOMPILING AND EXISTS /usr/src/googletest)
  if(NOT TARGET gtest)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
  set(EQUIDIV_GTEST_LIBS gtest gmock)
  set(EQUIDIV_GTEST_MAIN gtest_main)
else()
  find_package(GTest REQUIRED)
  set(EQUIDIV_GTEST_LIBS GTest::gtest GTest::gmock)
  set(EQUIDIV_GTEST_MAIN GTest::gtest_main)
endif()

# nlohmann-json is header-only in /usr/include; MinGW must not see glibc's headers there.
set(EQUIDIV_JSON_INCLUDE ${CMAKE_BINARY_DIR}/json-include)
if(EXISTS /usr/include/nlohmann AND NOT EXISTS ${EQUIDIV_JSON_INCLUDE}/nlohmann)
  file(MAKE_DIRECTORY ${EQUIDIV_JSON_INCLUDE})
  file(CREATE_LINK /usr/include/nlohmann ${EQUIDIV_JSON_INCLUDE}/nlohmann SYMBOLIC)
endif()

# A test executable registered with CTest; Windows tests run under Wine through the emulator.
# Test programs take their entry point from gtest_main, so no wide-entry switch here.
function(equidiv_test name)
  add_executable(${name} ${ARGN})
  equidiv_target_settings(${name})
  if(EQUIDIV_WINDOWS)
    target_link_options(${name} PRIVATE -static)
  endif()
  target_link_libraries(${name} PRIVATE ${EQUIDIV_GTEST_LIBS} ${EQUIDIV_GTEST_MAIN})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# Adds every direct sub-folder of the current folder that has a CMakeLists.txt.
function(equidiv_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
