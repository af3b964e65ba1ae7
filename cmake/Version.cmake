# orv_product_version(<target> <major.minor.release.build>
#                     [PRODUCT_TEXT <text>] [FILE_VERSION <major.minor.release.build>]
#                     [PRODUCT_NAME <text>] [FILE_DESCRIPTION <text>]
#                     [COMPANY_NAME <text>] [LEGAL_COPYRIGHT <text>])
#
# Gives a shared library (or program) a version record that the platform's
# version reading (platform/os/VersionInfo.h) finds in the file without
# loading it: a generated C source puts the record into the file's
# ".orvversion" section. The record holds the fixed information (file and
# product version as two 32-bit words each), one translation (language
# 0x0409, code page 1252) and the string table "040904E4" with
# ProductVersion (PRODUCT_TEXT, default the version itself), FileVersion,
# ProductName (default the project name), FileDescription (default the target
# name), InternalName (the target name), CompanyName and LegalCopyright (only
# when given). The byte layout is described in platform/os/VersionInfo.cpp.

# Splits "a.b.c.d" (each 0..65535) into the two words <out>_MS and <out>_LS.
function(_orv_version_words out version)
  if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "orv_product_version: \"${version}\" is not major.minor.release.build")
  endif()
  set(parts ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4})
  foreach(part IN LISTS parts)
    string(LENGTH "${part}" digits)
    if(digits GREATER 5 OR part GREATER 65535)
      message(FATAL_ERROR "orv_product_version: \"${version}\": each number must be at most 65535")
    endif()
  endforeach()
  math(EXPR ms "(${CMAKE_MATCH_1} << 16) | ${CMAKE_MATCH_2}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR ls "(${CMAKE_MATCH_3} << 16) | ${CMAKE_MATCH_4}" OUTPUT_FORMAT HEXADECIMAL)
  set(${out}_MS ${ms} PARENT_SCOPE)
  set(${out}_LS ${ls} PARENT_SCOPE)
endfunction()

# A text as a C string literal. Control characters are refused: a version
# text is one line.
function(_orv_c_literal out text)
  string(ASCII 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28
         29 30 31 127 controls)
  if(text MATCHES "[${controls}]")
    message(FATAL_ERROR "orv_product_version: a text holds a control character: \"${text}\"")
  endif()
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  # No trigraphs: "??" would be one under strict C modes.
  string(REPLACE "?" "\\?" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

function(orv_product_version target version)
  cmake_parse_arguments(PARSE_ARGV 2 V ""
    "PRODUCT_TEXT;FILE_VERSION;PRODUCT_NAME;FILE_DESCRIPTION;COMPANY_NAME;LEGAL_COPYRIGHT" "")
  if(V_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "orv_product_version: unknown arguments: ${V_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET ${target})
    message(FATAL_ERROR "orv_product_version: ${target} is not a target")
  endif()
  get_target_property(type ${target} TYPE)
  # A static or object library would hand its record to every file it is
  # linked into, next to that file's own.
  if(NOT type MATCHES "^(SHARED_LIBRARY|MODULE_LIBRARY|EXECUTABLE)$")
    message(FATAL_ERROR "orv_product_version: ${target} is a ${type}; only shared libraries, modules and programs carry a version")
  endif()
  get_target_property(already ${target} ORV_PRODUCT_VERSION)
  if(already)
    message(FATAL_ERROR "orv_product_version: ${target} already has version ${already}")
  endif()
  set_property(TARGET ${target} PROPERTY ORV_PRODUCT_VERSION ${version})

  if(NOT DEFINED V_PRODUCT_TEXT)
    set(V_PRODUCT_TEXT ${version})
  endif()
  if(NOT DEFINED V_FILE_VERSION)
    set(V_FILE_VERSION ${version})
  endif()
  if(NOT DEFINED V_PRODUCT_NAME)
    set(V_PRODUCT_NAME ${PROJECT_NAME})
  endif()
  if(NOT DEFINED V_FILE_DESCRIPTION)
    set(V_FILE_DESCRIPTION ${target})
  endif()
  _orv_version_words(PRODUCT "${version}")
  _orv_version_words(FILE "${V_FILE_VERSION}")
  set(FILE_TYPE 2)  # VFT_DLL
  if(type STREQUAL "EXECUTABLE")
    set(FILE_TYPE 1)  # VFT_APP
  endif()

  # Texts are kept in one variable each rather than in a list, so that a ';'
  # in a text stays part of it.
  set(names ProductVersion FileVersion ProductName FileDescription InternalName)
  set(text_ProductVersion "${V_PRODUCT_TEXT}")
  set(text_FileVersion "${V_FILE_VERSION}")
  set(text_ProductName "${V_PRODUCT_NAME}")
  set(text_FileDescription "${V_FILE_DESCRIPTION}")
  set(text_InternalName "${target}")
  if(DEFINED V_COMPANY_NAME)
    list(APPEND names CompanyName)
    set(text_CompanyName "${V_COMPANY_NAME}")
  endif()
  if(DEFINED V_LEGAL_COPYRIGHT)
    list(APPEND names LegalCopyright)
    set(text_LegalCopyright "${V_LEGAL_COPYRIGHT}")
  endif()
  # Each text is its own literal followed by "\0", so that no escape can run
  # into the next text.
  set(STRINGS "  \"040904E4\" \"\\0\" \\\n")
  foreach(name IN LISTS names)
    _orv_c_literal(value "${text_${name}}")
    string(APPEND STRINGS "  \"${name}\" \"\\0\" ${value} \"\\0\" \\\n")
  endforeach()
  # The empty name ends the table; the literal's own NUL ends the list.
  string(APPEND STRINGS "  \"\\0\"")

  set(TARGET_NAME ${target})
  set(VERSION_TEXT ${version})
  set(source ${CMAKE_CURRENT_BINARY_DIR}/orv_version_${target}.c)
  file(CONFIGURE OUTPUT ${source} @ONLY CONTENT [=[
/* Generated by orv_product_version() for @TARGET_NAME@ (@VERSION_TEXT@): the
   version record that the platform's version reading finds in the file. */
#include <stdint.h>

#define ORV_VERSION_STRINGS \
@STRINGS@

struct orv_version_record {
  char magic[8];
  uint32_t record_size;
  uint32_t fixed_size;
  uint32_t fixed[13];
  uint32_t translation_count;
  uint16_t translation[2];
  uint32_t strings_size;
  char strings[sizeof(ORV_VERSION_STRINGS)];
} __attribute__((packed));

/* "used" keeps the unreferenced record in the file. */
__attribute__((used, section(".orvversion"), aligned(4)))
static const struct orv_version_record orv_version_record = {
  "ORVVER1",
  sizeof(struct orv_version_record),
  52,
  {
    /* signature, structure version */
    0xFEEF04BDu, 0x00010000u,
    /* file version, product version: major << 16 | minor, release << 16 | build */
    @FILE_MS@u, @FILE_LS@u,
    @PRODUCT_MS@u, @PRODUCT_LS@u,
    /* flags mask, flags, operating system (not stated), file type, subtype, date */
    0x3Fu, 0u, 0u, @FILE_TYPE@u, 0u, 0u, 0u
  },
  1,
  {0x0409u, 1252u},
  sizeof(ORV_VERSION_STRINGS),
  ORV_VERSION_STRINGS
};
]=])
  target_sources(${target} PRIVATE ${source})
endfunction()
