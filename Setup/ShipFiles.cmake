# Makes files ready to ship, run as a build step (cmake -P): each program is copied into OUT_DIR
# stripped of its symbols, which are kept in DEBUG_DIR as <name>.debug (the program names that
# file, for a debugger reading a crash report); texts are copied as they are. With DIGESTS set,
# writes a C++ source holding the size and SHA-256 of every file shipped, for the installer to
# check the set against.
#   -DOBJCOPY= -DSTRIP= -DOUT_DIR= -DDEBUG_DIR= -DPROGRAMS=a|b -DTEXTS=c|d [-DDIGESTS=file.cpp]
string(REPLACE "|" ";" PROGRAMS "${PROGRAMS}")
string(REPLACE "|" ";" TEXTS "${TEXTS}")
file(MAKE_DIRECTORY ${OUT_DIR} ${DEBUG_DIR})
set(shipped)
foreach(program IN LISTS PROGRAMS)
  get_filename_component(name ${program} NAME)
  execute_process(COMMAND ${OBJCOPY} --only-keep-debug ${program} ${DEBUG_DIR}/${name}.debug
                  COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND ${STRIP} --strip-all -o ${OUT_DIR}/${name} ${program}
                  COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND ${OBJCOPY} --add-gnu-debuglink=${name}.debug ${OUT_DIR}/${name}
                  WORKING_DIRECTORY ${DEBUG_DIR} COMMAND_ERROR_IS_FATAL ANY)
  list(APPEND shipped ${OUT_DIR}/${name})
endforeach()
foreach(text IN LISTS TEXTS)
  file(COPY ${text} DESTINATION ${OUT_DIR})
  get_filename_component(name ${text} NAME)
  list(APPEND shipped ${OUT_DIR}/${name})
endforeach()
if(DIGESTS)
  set(entries "")
  foreach(file IN LISTS shipped)
    get_filename_component(name ${file} NAME)
    file(SHA256 ${file} digest)
    file(SIZE ${file} size)
    string(APPEND entries "    {\"${name}\", ${size}u, \"${digest}\"},\n")
  endforeach()
  file(WRITE ${DIGESTS}.new
       "// Made by the build: the size and SHA-256 of each file of the install set.\n"
       "#include \"ShippedDigests.h\"\n\nnamespace setup {\n\n"
       "extern const ShippedDigest kShippedDigests[] = {\n${entries}};\n"
       "extern const int kShippedDigestCount = sizeof kShippedDigests / sizeof kShippedDigests[0];\n"
       "\n}  // namespace setup\n")
  file(COPY_FILE ${DIGESTS}.new ${DIGESTS} ONLY_IF_DIFFERENT)
endif()
