# Builds the edit pages into OUTPUT_DIR: every phonebook page from its template, the start page
# with its links, the list page, and the scripts. Everything the browser gets is Shift_JIS, so
# each file is written as UTF-8 into WORK_DIR first and converted with ICONV. The pages, their
# titles and the rules of their fields come from the phonebook's page table, as page_table wrote
# it: PAGE_RULES (for the rules script) and PAGE_LIST (the pages).
#   cmake -DSOURCE_DIR=... -DOUTPUT_DIR=... -DWORK_DIR=... -DICONV=... -DPAGE_RULES=... -DPAGE_LIST=...
#         -P make_pages.cmake

file(MAKE_DIRECTORY "${OUTPUT_DIR}" "${WORK_DIR}")
include("${PAGE_LIST}")

function(emit name content)
  file(WRITE "${WORK_DIR}/${name}" "${content}")
  execute_process(COMMAND "${ICONV}" -f UTF-8 -t CP932 "${WORK_DIR}/${name}"
                  OUTPUT_FILE "${OUTPUT_DIR}/${name}" RESULT_VARIABLE failed ERROR_VARIABLE why)
  if(failed)
    message(FATAL_ERROR "${name}: not convertible to CP932: ${why}")
  endif()
endfunction()

# Indentation, comment-only lines and blank lines cost bytes on every page load and say nothing
# to the browser. Sources keep multi-line strings out of their code, so line-wise is safe.
function(compact out text comment)
  string(REGEX REPLACE "\n[ \t]+" "\n" text "\n${text}")
  string(REGEX REPLACE "\n${comment}[^\n]*" "" text "${text}")
  string(REGEX REPLACE "\n\n+" "\n" text "${text}")
  string(REGEX REPLACE "^\n" "" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(script name)
  set(text "")
  foreach(source IN LISTS ARGN)
    file(READ "${SOURCE_DIR}/${source}" part)
    compact(part "${part}" "//")
    string(APPEND text "${part}")
  endforeach()
  emit(${name} "${text}")
endfunction()

# The rules script with the page table written in.
file(READ "${SOURCE_DIR}/rules.js" rules)
compact(rules "${rules}" "//")
set(placeholder "/*@PAGE_TABLE@*/null")
string(FIND "${rules}" "${placeholder}" at)
if(at LESS 0)
  message(FATAL_ERROR "rules.js: no ${placeholder} for the page table")
endif()
file(READ "${PAGE_RULES}" table)
string(STRIP "${table}" table)
string(REPLACE "${placeholder}" "${table}" rules "${rules}")
emit(rkrules.js "${rules}")
script(rkdial.js common.js)
script(rkedit.js edit.js)
script(rksend.js send.js)
script(rklist.js reading.js list.js)

# The style sheet: its base goes into every page, each section only into its kind of page.
file(READ "${SOURCE_DIR}/style.css" css)
set(rest "${css}")
foreach(section IN ITEMS base edit start list)
  set(marker "/* == ${section} == */")
  if(NOT section STREQUAL "base")
    string(FIND "${rest}" "${marker}" at)
    if(at LESS 0)
      message(FATAL_ERROR "style.css: no section ${section}")
    endif()
    string(SUBSTRING "${rest}" 0 ${at} part)
    string(SUBSTRING "${rest}" ${at} -1 rest)
    compact(style_${previous} "${part}" "/\\*")
  endif()
  set(previous ${section})
endforeach()
compact(style_list "${rest}" "/\\*")

function(page template name section)
  file(READ "${SOURCE_DIR}/${template}" text)
  string(REPLACE "@STYLE@" "${style_base}${style_${section}}" text "${text}")
  foreach(key IN ITEMS TITLE BOOK PAGE HEADING FILE COMMON_LINKS MY_LINKS)
    string(REPLACE "@${key}@" "${${key}}" text "${text}")
  endforeach()
  emit(${name} "${text}")
endfunction()

# Common phonebook: each page holds a range of memories.
set(COMMON_LINKS "")
set(BOOK ${COMMON_BOOK})
foreach(PAGE RANGE 1 ${COMMON_PAGES})
  set(FILE "${COMMON_PAGE_${PAGE}_FILE}")
  set(TITLE "${COMMON_PAGE_${PAGE}_TITLE}")
  set(range "${COMMON_PAGE_${PAGE}_RANGE}")
  set(HEADING "共通電話帳 PAGE${PAGE}　短縮番号 ${range}")
  page(page.html.in ${FILE} edit)
  string(APPEND COMMON_LINKS "<li><a href=\"${FILE}\">PAGE${PAGE}<b>短縮番号 ${range}</b></a></li>\n")
endforeach()

# My phonebook: each page holds the memories of a few telephone positions.
set(MY_LINKS "")
set(BOOK ${MY_BOOK})
foreach(PAGE RANGE 1 ${MY_PAGES})
  set(FILE "${MY_PAGE_${PAGE}_FILE}")
  set(TITLE "${MY_PAGE_${PAGE}_TITLE}")
  set(low "${MY_PAGE_${PAGE}_FIRST}")
  set(high "${MY_PAGE_${PAGE}_LAST}")
  set(HEADING "マイ電話帳 PAGE${PAGE}　収容位置 ${low}・${high}")
  page(page.html.in ${FILE} edit)
  string(APPEND MY_LINKS "<li><a href=\"${FILE}\">${low}・${high}<b>PAGE${PAGE}</b></a></li>\n")
endforeach()

page(start.html.in 17tansyuku.html start)
page(list.html.in list.html list)
