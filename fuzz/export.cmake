# Writers against their readers.
difscop_fuzzer(writer_roundtrip difscop_export difscop_import)
