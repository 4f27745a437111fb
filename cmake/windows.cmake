# Windows-only settings: a static, wide-character, 64-bit program and the libraries built into
# CORVIX_DEPS by scripts/build-deps.sh.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
add_compile_options(-ffunction-sections -fdata-sections)

# ctest runs every Windows test program through the Wine runner.
set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/scripts/wine-run")

foreach(lib jpeg z png16 cairo pixman-1 gtest gtest_main)
  if(NOT EXISTS "${CORVIX_DEPS}/lib/lib${lib}.a")
    message(FATAL_ERROR "${CORVIX_DEPS}/lib/lib${lib}.a is missing: run scripts/build-deps.sh (make does)")
  endif()
  add_library(win_${lib} STATIC IMPORTED GLOBAL)
  set_target_properties(win_${lib} PROPERTIES
    IMPORTED_LOCATION "${CORVIX_DEPS}/lib/lib${lib}.a"
    INTERFACE_INCLUDE_DIRECTORIES "${CORVIX_DEPS}/include")
endforeach()
add_library(GTest::gtest ALIAS win_gtest)
target_link_libraries(win_gtest_main INTERFACE win_gtest)
add_library(GTest::gtest_main ALIAS win_gtest_main)
add_library(JPEG::JPEG ALIAS win_jpeg)
add_library(ZLIB::ZLIB ALIAS win_z)
target_link_libraries(win_png16 INTERFACE win_z)
add_library(PNG::PNG ALIAS win_png16)
# cairo, static: its headers under include/cairo, its Windows libraries named here (its .pc lists
# none), and _FORTIFY_SOURCE's checks from libssp.
set_target_properties(win_cairo PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${CORVIX_DEPS}/include/cairo"
                                           INTERFACE_COMPILE_DEFINITIONS CAIRO_WIN32_STATIC_BUILD=1)
target_link_libraries(win_cairo INTERFACE win_pixman-1 gdi32 msimg32 ssp)
add_library(Cairo::Cairo ALIAS win_cairo)
# Tesseract and Leptonica, static (their file names carry their versions), and the recognition
# model the program carries.
foreach(lib tesseract leptonica)
  file(GLOB found "${CORVIX_DEPS}/lib/lib${lib}*.a")
  if(NOT found)
    message(FATAL_ERROR "${CORVIX_DEPS}/lib/lib${lib}*.a is missing: run scripts/build-deps.sh (make does)")
  endif()
  list(GET found 0 found)
  add_library(win_${lib} STATIC IMPORTED GLOBAL)
  set_target_properties(win_${lib} PROPERTIES IMPORTED_LOCATION "${found}" INTERFACE_INCLUDE_DIRECTORIES "${CORVIX_DEPS}/include")
endforeach()
target_link_libraries(win_tesseract INTERFACE win_leptonica ws2_32)
add_library(Tesseract::Tesseract ALIAS win_tesseract)
set(CORVIX_TEXT_MODEL_DIR "${CORVIX_DEPS}/share/models")
if(NOT EXISTS "${CORVIX_TEXT_MODEL_DIR}/chi_sim.traineddata.gz")
  message(FATAL_ERROR "${CORVIX_TEXT_MODEL_DIR}/chi_sim.traineddata.gz is missing: run scripts/build-deps.sh (make does)")
endif()
