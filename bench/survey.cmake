# The survey benchmark drives the whole program over two pseudo-terminals
# (openpty, libutil).
target_link_libraries(bench_survey PRIVATE util)
