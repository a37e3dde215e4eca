# Compressor sources; filled in as the compressor is built.
