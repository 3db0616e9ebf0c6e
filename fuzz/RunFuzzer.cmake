# Runs one fuzz target for a fixed number of runs, over a fresh copy of its seed corpus so that the
# inputs it finds stay out of the source tree. Fails when the target reports a finding (a crash,
# a sanitizer report, a broken check, a leak or a time-out), which it then leaves in WORK.
#   cmake -DFUZZER=<binary> -DCORPUS=<seed folder> -DWORK=<scratch folder> -DRUNS=<n> -DSECONDS=<cap> -P RunFuzzer.cmake
foreach(variable FUZZER CORPUS WORK RUNS SECONDS)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "RunFuzzer.cmake needs -D${variable}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
file(GLOB seeds ${CORPUS}/*)
file(COPY ${seeds} DESTINATION ${WORK}/corpus)

execute_process(
  COMMAND ${FUZZER} -runs=${RUNS} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
          -print_final_stats=1 -artifact_prefix=${WORK}/ ${WORK}/corpus
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message("${output}")
  message(FATAL_ERROR "${FUZZER} found a fault (exit ${result}); the input is in ${WORK}")
endif()
string(REGEX MATCH "stat::number_of_executed_units: *[0-9]+" executed "${output}")
string(REGEX MATCH "[0-9]+$" executed "${executed}")
message("${FUZZER}: ${executed} executions, no finding")
file(REMOVE_RECURSE ${WORK})
