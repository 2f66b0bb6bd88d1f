# Installs the menu entry with the installed program's full path in Exec and TryExec, so that
# the entry works for any prefix, also one outside PATH. Run at install time, when the prefix is
# known (--prefix, cpack's /usr); the caller sets PELUMI_ENTRY_TEMPLATE (the entry with
# @PELUMI_EXEC@ and @PELUMI_TRY_EXEC@ left open), PELUMI_ENTRY_FILE (its file name),
# PELUMI_ENTRY_BINDIR and PELUMI_ENTRY_DATADIR (GNUInstallDirs' BINDIR and DATADIR).
if(IS_ABSOLUTE "${PELUMI_ENTRY_BINDIR}")
    set(program "${PELUMI_ENTRY_BINDIR}/zomika2")
else()
    set(program "${CMAKE_INSTALL_PREFIX}/${PELUMI_ENTRY_BINDIR}/zomika2")
endif()
string(ASCII 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 127
    controls)
if(program MATCHES "[${controls}]")
    message(FATAL_ERROR "A menu entry cannot name a program whose path holds control characters: ${program}")
endif()

# Exec: in double quotes when a reserved character occurs (", `, $ and \ escaped inside), every
# "%" doubled; then, like TryExec, a string value, in which "\" is written "\\".
set(exec "${program}")
if(exec MATCHES "[] \t\"'\\\\><~|&;$*?#()`[]")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
    set(exec "\"${exec}\"")
endif()
string(REPLACE "%" "%%" exec "${exec}")
string(REPLACE "\\" "\\\\" PELUMI_EXEC "${exec}")
string(REPLACE "\\" "\\\\" PELUMI_TRY_EXEC "${program}")

if(IS_ABSOLUTE "${PELUMI_ENTRY_DATADIR}")
    set(destination "${PELUMI_ENTRY_DATADIR}/applications")
else()
    set(destination "${CMAKE_INSTALL_PREFIX}/${PELUMI_ENTRY_DATADIR}/applications")
endif()
# Made in a temporary folder: the build folder may belong to someone else (sudo) or be read-only.
set(temporary "$ENV{TMPDIR}")
if(NOT IS_DIRECTORY "${temporary}")
    set(temporary /tmp)
endif()
string(RANDOM LENGTH 12 suffix)
set(folder "${temporary}/pelumi-entry-${suffix}")
configure_file("${PELUMI_ENTRY_TEMPLATE}" "${folder}/${PELUMI_ENTRY_FILE}" @ONLY)
# file(INSTALL) honours DESTDIR and records the file in install_manifest.txt.
file(INSTALL "${folder}/${PELUMI_ENTRY_FILE}" DESTINATION "${destination}")
file(REMOVE_RECURSE "${folder}")
