# The structure CIF reader, and the reflections of whatever it accepts.
difscop_fuzzer(structure_cif difscop_structures)
