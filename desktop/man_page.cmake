# Writes the manual page of qinghe-cli from the tool's own help, so the page
# never tells another story than --help: each command's help in full, and
# what the help has no room for (the run directory rule, the environment, the
# exit codes).
#   cmake -DCLI=path/to/qinghe-cli -DOUTPUT=qinghe-cli.1 -DVERSION=x.y.z -P man_page.cmake

function(run_help out)
    execute_process(COMMAND ${CLI} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE result
                    ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${CLI} ${ARGN} --help failed (${result}): ${errors}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text as roff lines shown as they are: backslashes and minus signs kept (so
# options copy right), no line read as a request.
function(roff_verbatim out text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    string(REGEX REPLACE "\n+$" "" text "${text}")
    set(${out} ".nf\n${text}\n.fi\n" PARENT_SCOPE)
endfunction()

run_help(main)
# The first line of the help is the tool's description.
string(REGEX MATCH "^[^\n]*" description "${main}")
string(REGEX REPLACE "^qinghe-cli: *" "" description "${description}")

# The commands, from the list under "Subcommands:".
set(commands "")
set(in_list FALSE)
string(REPLACE "\n" ";" lines "${main}")
foreach(line IN LISTS lines)
    if(line MATCHES "^[A-Za-z].*:$")
        string(TOLOWER "${line}" heading)
        if(heading STREQUAL "subcommands:")
            set(in_list TRUE)
        else()
            set(in_list FALSE)
        endif()
    elseif(in_list AND line MATCHES "^  ([a-z][a-z0-9-]*)( |$)")
        list(APPEND commands "${CMAKE_MATCH_1}")
    endif()
endforeach()
if(NOT commands)
    message(FATAL_ERROR "no commands found in the help of ${CLI}")
endif()

roff_verbatim(options "${main}")
set(page ".TH QINGHE\\-CLI 1 \"\" \"qinghe\\-cli ${VERSION}\" \"User Commands\"
.SH NAME
qinghe\\-cli \\- ${description}
.SH SYNOPSIS
.B qinghe\\-cli
.I command
.RI [ rundir ]
.RI [ arguments ...]
.br
.B qinghe\\-cli
.I command
.B \\-\\-data\\-dir
.I dir
.RI [ arguments ...]
.SH DESCRIPTION
.B qinghe\\-cli
works on the data of the household bookkeeping program
.BR qinghe ,
through the same functions as the program: it prints ledgers, entries and
backups as JSON lines (texts in UTF\\-8), creates ledgers, makes and restores
backups, and checks and repairs the table files.
.PP
The commands that work on a run directory (the folder that holds
.IR user/ ,
.IR books/ ,
.IR data/ ,
.I setup/
and
.IR backup/ )
take it as their first argument, or as
.BR \\-\\-data\\-dir ;
without either they use the program's own data folder, chosen as the program
chooses it:
.IP 1. 4
.B QINGHE_DATA_DIR
when it is set;
.IP 2. 4
the folder that holds the tool, when the user may write there and it lies
neither below
.I /usr
or
.I /opt
nor in an installed tree (a portable copy, the build folder);
.IP 3. 4
.I $XDG_DATA_HOME/qinghe
or
.IR ~/.local/share/qinghe ,
made when missing.
.PP
A first argument that is not an existing folder is taken as the command's next
argument, so
.B qinghe\\-cli entries 1
lists the entries of ledger 1 in the default folder.
The commands refuse while the program runs on the same folder; those that
change data wait up to three seconds for another command to finish.
.SH OPTIONS
${options}.SH COMMANDS
")
foreach(command IN LISTS commands)
    run_help(help ${command})
    roff_verbatim(text "${help}")
    string(APPEND page ".SS ${command}\n${text}")
endforeach()
string(APPEND page ".SH ENVIRONMENT
.TP
.B QINGHE_DATA_DIR
The run directory, when none is given on the command line.
.TP
.B XDG_DATA_HOME
The base of the user's data folder (default
.IR ~/.local/share ).
.TP
.B HOME
The user's home folder.
.SH EXIT STATUS
.TP
.B 0
The command did what it was asked.
.TP
.B 1
It was refused or failed (the reason is on standard error), or
.B check
found problems.
.TP
.B 2
The command line was not understood, or
.B check
could not read the file at all.
.SH SEE ALSO
The user guide in
.IR /usr/share/qinghe/guide/index.html ,
also shown by the program's F1.
")
file(WRITE "${OUTPUT}" "${page}")

# Installed compressed, as manual pages are on Debian.
if(GZIP_OUTPUT)
    file(ARCHIVE_CREATE OUTPUT "${GZIP_OUTPUT}" PATHS "${OUTPUT}" FORMAT raw COMPRESSION GZip
         MTIME 0)
endif()
