# Build helpers shared by every folder of the project, and by projects of their own that add this
# tree with add_subdirectory (their variables are not ours: the functions find the tree through
# the cache).
get_filename_component(TAVORI_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(TAVORI_SOURCE_DIR "${TAVORI_SOURCE_DIR}" CACHE INTERNAL "the Tavori tree")

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(TAVORI_WINDOWS ON)
  enable_language(RC)
  enable_language(ASM)
  set(TAVORI_DEPS_PREFIX "${TAVORI_SOURCE_DIR}/build/deps/i686" CACHE PATH
      "where scripts/setup.sh installed libpng and libjpeg for the target")
  list(PREPEND CMAKE_FIND_ROOT_PATH "${TAVORI_DEPS_PREFIX}")
  # Everything is linked statically so that the programs run on a bare Windows.
  string(APPEND CMAKE_EXE_LINKER_FLAGS " -static -static-libgcc -static-libstdc++")
  # Each function and datum in a section of its own, so that the linker drops what no program uses.
  add_compile_options(-ffunction-sections -fdata-sections)
  string(APPEND CMAKE_EXE_LINKER_FLAGS " -Wl,--gc-sections")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${TAVORI_SOURCE_DIR}/scripts/wine-exec.sh")
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # System functions are called through the import library's thunks, not straight through the
  # import slot: a slot of a delay-loaded DLL (tavori_delay_import) is only filled in by its
  # thunk, and GNU ld's i386 delay-load libraries crash a direct call through the slot.
  add_compile_definitions(DECLSPEC_IMPORT=)
else()
  set(TAVORI_WINDOWS OFF)
  option(TAVORI_SANITIZE "build the native tests with AddressSanitizer and UBSan" ON)
  if(TAVORI_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

# In a function called from another project's folder: whether this is the Windows build.
macro(_tavori_platform)
  if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    set(TAVORI_WINDOWS ON)
  else()
    set(TAVORI_WINDOWS OFF)
  endif()
endmacro()

option(TAVORI_WERROR "treat warnings as errors" OFF)

function(tavori_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wno-missing-field-initializers)
  if(TAVORI_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Sources whose string literals the program shows are stored as GBK, the code page of the system.
function(tavori_gbk target)
  target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=GBK)
endfunction()

# tavori_library(name [PORTABLE] [GBK] SOURCES ... [LIBS ...])
# A PORTABLE library needs no Win32 header and is built natively as well.
function(tavori_library name)
  cmake_parse_arguments(A "PORTABLE;GBK" "" "SOURCES;LIBS" ${ARGN})
  if(NOT A_PORTABLE AND NOT TAVORI_WINDOWS)
    return()
  endif()
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${TAVORI_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_LIBS})
  tavori_warnings(${name})
  if(A_GBK)
    tavori_gbk(${name})
  endif()
endfunction()

# tavori_program(name FORM file.form SOURCES ... [ICON file.ico] [VERSION x.y.z] [LIBS ...]
#                [DEPENDS files...])
# A whole program from a form and its handlers: formc compiles the form into the form block, the
# handler area and the rest of the image (service table, the four support libraries, image header,
# a start routine that opens the form's first window); the executable carries ICON (default: the
# runtime's icon) as DEFAULT_ICON and version information for VERSION (default 1.0.0). Its
# sources are GBK like the runtime's and may include <tavori/program.h>. DEPENDS as for
# tavori_form. Windows build only; elsewhere nothing is declared.
#
# tavori_program(name [GBK] [CONSOLE] SOURCES ... [LIBS ...]): a Windows executable that
# provides its own image; it carries the runtime's resources (DEFAULT_ICON, version information).
function(tavori_program name)
  cmake_parse_arguments(A "GBK;CONSOLE" "FORM;ICON;VERSION" "SOURCES;LIBS;DEPENDS" ${ARGN})
  if(A_FORM)
    _tavori_form_program(${name} "${A_FORM}" "${A_ICON}" "${A_VERSION}" "${A_SOURCES}" "${A_LIBS}"
                         "${A_DEPENDS}")
    return()
  endif()
  if(A_CONSOLE)
    add_executable(${name} ${A_SOURCES} $<TARGET_OBJECTS:tavori_resources>)
  else()
    add_executable(${name} WIN32 ${A_SOURCES} $<TARGET_OBJECTS:tavori_resources>)
  endif()
  target_include_directories(${name} PRIVATE ${TAVORI_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  tavori_warnings(${name})
  if(A_GBK)
    tavori_gbk(${name})
  endif()
endfunction()

function(_tavori_form_program name form icon version sources libs depends)
  _tavori_platform()
  if(NOT TAVORI_WINDOWS)
    return()
  endif()
  if(NOT version)
    set(version 1.0.0)
  endif()
  if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "tavori_program(${name}): VERSION must be x.y.z, not '${version}'")
  endif()
  set(TAVORI_VERSION_WORDS "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},0")
  set(TAVORI_VERSION_TEXT "${version}.0")
  if(icon)
    get_filename_component(TAVORI_ICON "${icon}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  else()
    set(TAVORI_ICON "${TAVORI_SOURCE_DIR}/runtime/core/resources/tavori.ico")
  endif()
  set(TAVORI_PROGRAM_NAME ${name})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}_resources.rc)
  configure_file(${TAVORI_SOURCE_DIR}/cmake/program.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${TAVORI_ICON}")

  add_executable(${name} WIN32 ${sources} ${rc})
  target_include_directories(${name} PRIVATE ${TAVORI_SOURCE_DIR} ${TAVORI_SOURCE_DIR}/include)
  target_link_libraries(${name} PRIVATE ${libs} tavori_commands tavori_runtime tavori_program_support
                        tavori_framework_entry)
  target_compile_features(${name} PRIVATE cxx_std_17)
  # What the tree's own folders get from the settings above, for a program of another project.
  target_compile_options(${name} PRIVATE -ffunction-sections -fdata-sections)
  target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
  tavori_warnings(${name})
  tavori_gbk(${name})
  tavori_form(${name} FORM ${form} SYMBOL ProgramForm IMAGE DEPENDS ${depends})
endfunction()

# tavori_test(name [WINDOWS] [GBK] SOURCES ... [LIBS ...] [DEPENDS ...])
# A GoogleTest executable registered with CTest as one test: one process per executable (under
# Wine that is one Wine process). Without WINDOWS the test is portable and runs in both builds.
function(tavori_test name)
  cmake_parse_arguments(A "WINDOWS;GBK" "" "SOURCES;LIBS;DEPENDS" ${ARGN})
  if(A_WINDOWS AND NOT TAVORI_WINDOWS)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${TAVORI_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBS} gtest gtest_main)
  tavori_warnings(${name})
  if(A_GBK)
    tavori_gbk(${name})
  endif()
  if(A_DEPENDS)
    add_dependencies(${name} ${A_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY $<TARGET_FILE_DIR:${name}>)
  if(NOT TAVORI_WINDOWS)
    # A sanitizer's report would otherwise exit with 1, which the tools use for a refusal: a
    # test that expects a refusal could then take a crash for one.
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "ASAN_OPTIONS=exitcode=99;UBSAN_OPTIONS=exitcode=99")
  endif()
endfunction()

# The picture libraries for the target, built by scripts/setup.sh; zlib from the MinGW package.
if(TAVORI_WINDOWS)
  find_library(TAVORI_PNG_LIB NAMES libpng16.a PATHS ${TAVORI_DEPS_PREFIX}/lib NO_DEFAULT_PATH)
  find_library(TAVORI_JPEG_LIB NAMES libjpeg.a PATHS ${TAVORI_DEPS_PREFIX}/lib NO_DEFAULT_PATH)
  find_library(TAVORI_ZLIB_LIB NAMES libz.a)
  if(NOT TAVORI_PNG_LIB OR NOT TAVORI_JPEG_LIB OR NOT TAVORI_ZLIB_LIB)
    message(FATAL_ERROR "libpng, libjpeg or zlib for the target is missing: run scripts/setup.sh")
  endif()
  add_library(tavori_zlib STATIC IMPORTED)
  set_target_properties(tavori_zlib PROPERTIES IMPORTED_LOCATION ${TAVORI_ZLIB_LIB})
  add_library(tavori_png STATIC IMPORTED)
  set_target_properties(tavori_png PROPERTIES IMPORTED_LOCATION ${TAVORI_PNG_LIB}
    INTERFACE_INCLUDE_DIRECTORIES ${TAVORI_DEPS_PREFIX}/include INTERFACE_LINK_LIBRARIES tavori_zlib)
  add_library(tavori_jpeg STATIC IMPORTED)
  set_target_properties(tavori_jpeg PROPERTIES IMPORTED_LOCATION ${TAVORI_JPEG_LIB}
    INTERFACE_INCLUDE_DIRECTORIES ${TAVORI_DEPS_PREFIX}/include)
endif()

# tavori_form(target FORM file.form SYMBOL name [IMAGE] [DEPENDS files...])
# IMAGE adds the rest of the program's image that formc writes (see tavori_program).
# DEPENDS names the files the form reads with `file "..."`, so that a change to them recompiles it.
# Compiles a form source with formc and adds the result to `target`: a C++ source defining
# `extern "C" const uint8_t name[]` (the form block) and `name` + "Size", and, in the Windows
# build, the handler area (_HandlerArea, runtime/image/handler_area.h). The handler list lands
# beside them as name.handlers. Regenerated when the form or formc changes.
# The Windows build runs formc on the build machine, so it builds formc from tools/ as a
# project of its own with the host's g++, never with the cross toolchain.
function(tavori_form target)
  _tavori_platform()
  cmake_parse_arguments(A "IMAGE" "FORM;SYMBOL" "DEPENDS" ${ARGN})
  if(NOT A_FORM OR NOT A_SYMBOL)
    message(FATAL_ERROR "tavori_form: FORM and SYMBOL are required")
  endif()
  get_filename_component(form ${A_FORM} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${A_SYMBOL})
  set(image_output)
  set(image_option)
  if(A_IMAGE)
    set(image_output ${out}_image.cpp)
    set(image_option --image ${out}_image.cpp)
  endif()
  if(TAVORI_WINDOWS)
    if(NOT TARGET tavori_formc_host)
      include(ExternalProject)
      find_program(TAVORI_HOST_CXX NAMES g++ c++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
      ExternalProject_Add(tavori_formc_host
        SOURCE_DIR ${TAVORI_SOURCE_DIR}/tools
        BINARY_DIR ${CMAKE_BINARY_DIR}/formc-host
        CMAKE_ARGS -DCMAKE_CXX_COMPILER=${TAVORI_HOST_CXX} -DCMAKE_BUILD_TYPE=Release
                   -DTAVORI_WERROR=${TAVORI_WERROR}
        BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target formc
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/formc-host/formc)
    endif()
    set(formc ${CMAKE_BINARY_DIR}/formc-host/formc)
    set(depends tavori_formc_host ${formc})
  else()
    set(formc $<TARGET_FILE:formc>)
    set(depends formc)
  endif()
  add_custom_command(
    OUTPUT ${out}.cpp ${out}.S ${out}.handlers ${image_output}
    COMMAND ${formc} compile ${form} --symbol ${A_SYMBOL} --cpp ${out}.cpp --asm ${out}.S
            --handlers ${out}.handlers ${image_option}
    DEPENDS ${form} ${depends} ${A_DEPENDS}
    COMMENT "Compiling the form ${A_FORM}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out}.cpp ${image_output})
  # The handler area jumps to 32-bit Windows code; a native build has the block only.
  if(TAVORI_WINDOWS)
    target_sources(${target} PRIVATE ${out}.S)
  endif()
endfunction()

# tavori_delay_import(dll): the target tavori_delay_<dll>, an import library of the system DLL
# <dll>.dll whose functions load the DLL at their first call instead of at process start (the
# toolchain's delay-load helper does the loading). Made at configure time from the functions of
# the toolchain's own import library, so every function of the DLL is covered.
function(tavori_delay_import dll)
  if(NOT TAVORI_WINDOWS OR TARGET tavori_delay_${dll})
    return()
  endif()
  find_library(TAVORI_IMPORT_${dll} NAMES lib${dll}.a REQUIRED)
  find_program(TAVORI_NM NAMES i686-w64-mingw32-nm REQUIRED)
  find_program(TAVORI_DLLTOOL NAMES i686-w64-mingw32-dlltool REQUIRED)
  execute_process(COMMAND ${TAVORI_NM} -g --defined-only ${TAVORI_IMPORT_${dll}}
    OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot read ${TAVORI_IMPORT_${dll}}")
  endif()
  # A function has both a thunk (T _Name) and an import slot (I __imp__Name); data has no thunk.
  string(REGEX MATCHALL "[TI] _+imp__[^\n]+|T _[^\n]+" lines "${symbols}")
  set(thunks "")
  set(slots "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^I __imp__(.+)$")
      list(APPEND slots "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^T _(.+)$")
      list(APPEND thunks "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  set(def "LIBRARY ${dll}.dll\nEXPORTS\n")
  foreach(name IN LISTS thunks)
    if(name IN_LIST slots)
      string(APPEND def "${name}\n")
    endif()
  endforeach()
  set(dir ${CMAKE_BINARY_DIR}/delay-imports)
  file(MAKE_DIRECTORY ${dir})
  file(WRITE ${dir}/${dll}.def "${def}")
  # dlltool leaves its temporary files in the working directory.
  execute_process(COMMAND ${TAVORI_DLLTOOL} --input-def ${dll}.def --dllname ${dll}.dll -k
                          --temp-prefix ${dll}_tmp --output-delaylib lib${dll}_delay.a
    WORKING_DIRECTORY ${dir} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dlltool could not make the delay-load library of ${dll}")
  endif()
  add_library(tavori_delay_${dll} STATIC IMPORTED GLOBAL)
  set_target_properties(tavori_delay_${dll} PROPERTIES IMPORTED_LOCATION ${dir}/lib${dll}_delay.a)
endfunction()

# DLLs whose functions only commands and later facilities call: the web page and special folder
# commands and the tray icon (shell32), sockets (ws2_32), sound (winmm), the up-down control
# (comctl32). None of them is loaded before it is used.
foreach(dll shell32 ws2_32 winmm comctl32)
  tavori_delay_import(${dll})
endforeach()
