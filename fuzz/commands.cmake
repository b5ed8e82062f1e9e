# The start switches.
difscop_fuzzer(switches difscop_commands)
