# Compile settings shared by every target of ours.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

option(TAOYEFANG_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_library(taoyefang_settings INTERFACE)
target_compile_features(taoyefang_settings INTERFACE cxx_std_20)
target_compile_definitions(taoyefang_settings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER)
if(MSVC)
    target_compile_options(taoyefang_settings INTERFACE /W4 /utf-8 /permissive-)
else()
    target_compile_options(taoyefang_settings INTERFACE -Wall -Wextra -Wpedantic)
endif()

if(TAOYEFANG_SANITIZE)
    if(MSVC)
        target_compile_options(taoyefang_settings INTERFACE /fsanitize=address)
    else()
        set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
        target_compile_options(taoyefang_settings INTERFACE ${_san})
        target_link_options(taoyefang_settings INTERFACE ${_san})
    endif()
endif()

option(TAOYEFANG_FUZZ "Build the libFuzzer targets under fuzz/ (clang only)" OFF)
if(TAOYEFANG_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "TAOYEFANG_FUZZ needs clang: configure with CXX=clang++")
    endif()
    # Coverage feedback and the sanitizers in every library of ours; the fuzzer's own main is
    # linked into the fuzz targets only.
    set(_fuzz -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
              -fno-sanitize-recover=undefined)
    target_compile_options(taoyefang_settings INTERFACE ${_fuzz})
    target_link_options(taoyefang_settings INTERFACE -fsanitize=address,undefined)
endif()
