# Dependencies are installed by scripts/setup; a missing one stops here with the package to install.
function(tw_require_file path package)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "Missing ${path}: install the Debian package ${package} (or run scripts/setup)")
  endif()
endfunction()

if(WIN32)
  # zlib from Debian's MinGW-w64 port.
  find_library(TW_ZLIB NAMES libz.a z)
  find_path(TW_ZLIB_INCLUDE zlib.h)
  if(NOT TW_ZLIB OR NOT TW_ZLIB_INCLUDE)
    message(FATAL_ERROR "zlib for MinGW-w64 not found: install the Debian package libz-mingw-w64-dev")
  endif()
  add_library(tw_zlib INTERFACE)
  target_link_libraries(tw_zlib INTERFACE ${TW_ZLIB})
  target_include_directories(tw_zlib SYSTEM INTERFACE ${TW_ZLIB_INCLUDE})

  # Boost.Regex header-only: a build-tree folder that holds only a link to the host's headers,
  # so the cross compiler sees Boost and nothing else of /usr/include.
  tw_require_file(/usr/include/boost/regex.hpp libboost1.81-dev)
  set(TW_BOOST_DIR ${CMAKE_BINARY_DIR}/_deps/boost-include)
  file(MAKE_DIRECTORY ${TW_BOOST_DIR})
  file(CREATE_LINK /usr/include/boost ${TW_BOOST_DIR}/boost SYMBOLIC)
  add_library(tw_boost INTERFACE)
  target_include_directories(tw_boost SYSTEM INTERFACE ${TW_BOOST_DIR})

  # SQLite amalgamation from the pinned npm package better-sqlite3@12.11.1, fetched by
  # scripts/setup (the one place that downloads it).
  set(TW_SQLITE_PKG ${CMAKE_SOURCE_DIR}/build/deps/better-sqlite3)
  if(NOT EXISTS ${TW_SQLITE_PKG}/deps/sqlite3/sqlite3.c)
    message(FATAL_ERROR "The SQLite amalgamation is missing (${TW_SQLITE_PKG}): run scripts/setup, "
                        "which unpacks the npm package better-sqlite3@12.11.1 there")
  endif()
  add_library(tw_sqlite3 STATIC ${TW_SQLITE_PKG}/deps/sqlite3/sqlite3.c)
  target_include_directories(tw_sqlite3 SYSTEM PUBLIC ${TW_SQLITE_PKG}/deps/sqlite3)
  # Left out: what nothing here uses and every statement would otherwise check for (shared
  # caches, progress callbacks, the deprecated interfaces).
  target_compile_definitions(tw_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION
                             SQLITE_DEFAULT_MEMSTATUS=0 SQLITE_OMIT_SHARED_CACHE
                             SQLITE_OMIT_PROGRESS_CALLBACK SQLITE_OMIT_DEPRECATED)
  set_source_files_properties(${TW_SQLITE_PKG}/deps/sqlite3/sqlite3.c PROPERTIES COMPILE_OPTIONS "-w")

  # GoogleTest built from Debian's sources.
  tw_require_file(/usr/src/googletest/CMakeLists.txt googletest)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL)
  add_library(tw_gtest INTERFACE)
  target_link_libraries(tw_gtest INTERFACE gtest gmock)
else()
  find_package(ZLIB)
  if(NOT ZLIB_FOUND)
    message(FATAL_ERROR "zlib not found: install the Debian package zlib1g-dev")
  endif()
  add_library(tw_zlib INTERFACE)
  target_link_libraries(tw_zlib INTERFACE ZLIB::ZLIB)

  tw_require_file(/usr/include/boost/regex.hpp libboost1.81-dev)
  add_library(tw_boost INTERFACE)

  find_package(GTest)
  if(NOT GTest_FOUND)
    message(FATAL_ERROR "GoogleTest not found: install the Debian package libgtest-dev")
  endif()
  add_library(tw_gtest INTERFACE)
  target_link_libraries(tw_gtest INTERFACE GTest::gtest GTest::gmock)

  # SQLite from Debian: the portable database layer is tested against it with the sanitizers.
  find_package(SQLite3)
  if(NOT SQLite3_FOUND)
    message(FATAL_ERROR "SQLite 3 not found: install the Debian package libsqlite3-dev")
  endif()
  add_library(tw_sqlite3 INTERFACE)
  target_link_libraries(tw_sqlite3 INTERFACE SQLite::SQLite3)

  find_library(TW_PUGIXML pugixml)
  tw_require_file(/usr/include/pugixml.hpp libpugixml-dev)
  add_library(tw_pugixml INTERFACE)
  target_link_libraries(tw_pugixml INTERFACE ${TW_PUGIXML})
endif()
