# Installs the build in BUILD_DIR into the fresh prefix PREFIX and checks what a user gets:
# the files in their places, the installed CLI's version, sample 2 written and read back
# by the installed CLI, a manual page that names every command and option of --help, and
# one of the data files that names every key and section shape of version 2, and the
# Python module (where it is built) imported from the prefix, reading an installed sample.
# Expected numbers: sample 2's elements run 50 mm along x with d = 10 mm, so the area is
# pi d^2/4 = 78.5398163397448... and the polar moment pi d^4/32 = 981.747704246810...
# (by hand, pi to 20 digits).
function(fail)
    string(JOIN "" text ${ARGN})
    message(FATAL_ERROR "${text}")
endfunction()

# run(OUT ERR command...): runs the command, which must succeed.
function(run out_var err_var)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out
                    ERROR_VARIABLE err)
    if(NOT code EQUAL 0)
        fail("`${ARGN}` failed (${code}):\n${out}${err}")
    endif()
    set(${out_var} "${out}" PARENT_SCOPE)
    set(${err_var} "${err}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
run(out err ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}")

set(expected_files
    bin/impactframe-cli share/man/man1/impactframe-cli.1 share/man/man5/impactframe-format.5
    share/impactframe/samples/sample1.txt share/impactframe/samples/sample2.txt
    share/impactframe/samples/sample3.txt share/impactframe/samples/sample4.txt)
if(WITH_GUI)
    list(APPEND expected_files bin/impactframe share/applications/impactframe.desktop
         share/icons/hicolor/scalable/apps/impactframe.svg)
endif()
foreach(f IN LISTS expected_files)
    if(NOT EXISTS "${PREFIX}/${f}")
        fail("${f} was not installed")
    endif()
endforeach()

set(cli "${PREFIX}/bin/impactframe-cli")
run(out err "${cli}" --version)
string(REPLACE "." "\\." version_pattern "${VERSION}")
if(NOT out MATCHES "^impactframe-cli ${version_pattern}( \\(git [0-9a-f]+\\))?\n$")
    fail("--version printed '${out}', expected impactframe-cli ${VERSION} [(git hash)]")
endif()
set(version_line "${out}")

# The installed data file is exactly what the installed program writes.
run(out err "${cli}" sample 2 -o "${PREFIX}/written2.txt")
file(SHA256 "${PREFIX}/written2.txt" written)
file(SHA256 "${PREFIX}/share/impactframe/samples/sample2.txt" installed)
if(NOT written STREQUAL installed)
    fail("share/impactframe/samples/sample2.txt differs from `impactframe-cli sample 2`")
endif()

run(out err "${cli}" check "${PREFIX}/written2.txt" --verbose)
if(NOT err STREQUAL "${version_line}3 nodes, 2 elements\n")
    fail("check --verbose wrote to standard error:\n${err}")
endif()
string(REGEX MATCHALL "[^\n]*\n" rows "${out}")
list(LENGTH rows row_count)
list(GET rows 0 header)
set(element "50,1,0,0,78\\.5398163397448[0-9]*,981\\.74770424681[0-9]*,")
if(NOT row_count EQUAL 3 OR NOT header MATCHES "^element,node1,node2,length,"
   OR NOT out MATCHES "\n0,0,1,${element}" OR NOT out MATCHES "\n1,1,2,${element}")
    fail("check printed:\n${out}")
endif()

# Every command and option of the help texts has its place in the manual page.
file(READ "${PREFIX}/share/man/man1/impactframe-cli.1" man)
string(REPLACE "\\-" "-" man "${man}")
run(help err "${cli}" --help)
run(analyse_help err "${cli}" analyse --help)
run(plot_help err "${cli}" plot --help)
run(modes_help err "${cli}" modes --help)
run(draw_help err "${cli}" draw --help)
run(batch_help err "${cli}" batch --help)
run(frf_help err "${cli}" frf --help)
string(REGEX MATCHALL "\n  [a-z]+ " commands "${help}")
# "[" would split CMake lists oddly: "[-o OUT]" becomes " -o OUT]".
string(REPLACE "[" " " options
       "${help}${analyse_help}${plot_help}${modes_help}${draw_help}${batch_help}${frf_help}")
string(REGEX MATCHALL " --?[a-z][a-z-]*" options "${options}")
list(REMOVE_DUPLICATES options)
foreach(command IN LISTS commands)
    string(STRIP "${command}" command)
    if(NOT man MATCHES "\n\\.SS \"${command} ")
        fail("the manual page has no section on the command ${command}")
    endif()
endforeach()
foreach(option IN LISTS options)
    string(SUBSTRING "${option}" 1 -1 option)
    if(NOT man MATCHES "[^a-z-]${option}([^a-z-]|$)")
        fail("the manual page does not mention ${option}")
    endif()
endforeach()

# The data files' page names every key of version 2 and every section shape.
file(READ "${PREFIX}/share/man/man5/impactframe-format.5" format_page)
string(REPLACE "\\-" "-" format_page "${format_page}")
foreach(word format version units materials sections nodes elements E G density shape
        codes values material section roll z_towards round tube rectangle box general
        d t b h tw tf A Iy Iz J Ay Az histories kind rise duration points damping alpha beta
        ratio at_hz ground direction history quantity step half-sine triangle table)
    if(NOT format_page MATCHES "[^A-Za-z_-]${word}[^A-Za-z_-]")
        fail("impactframe-format(5) does not mention ${word}")
    endif()
endforeach()

# The Python module, imported from the prefix alone, reads the installed sample 2 (3 nodes,
# 2 elements, 50 mm each) and tells its version.
if(WITH_PYTHON)
    file(GLOB module "${PREFIX}/${PYTHON_MODULE_DIR}/impactframe.*.so")
    if(NOT module)
        fail("the Python module was not installed in ${PYTHON_MODULE_DIR}")
    endif()
    string(CONCAT script "import impactframe as f\n"
           "assert f.__file__.startswith('${PREFIX}/'), f.__file__\n"
           "m = f.Model.read('${PREFIX}/share/impactframe/samples/sample2.txt')\n"
           "print(f.__version__, m.node_count, m.element_count, m.element(1).length)\n")
    run(out err ${CMAKE_COMMAND} -E env "PYTHONPATH=${PREFIX}/${PYTHON_MODULE_DIR}"
        PYTHONDONTWRITEBYTECODE=1 "${PYTHON}" -c "${script}")
    if(NOT out STREQUAL "${VERSION} 3 2 50.0\n")
        fail("the installed Python module printed '${out}'")
    endif()
endif()
