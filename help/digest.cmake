# Writes the SHA-256 of FILE to FILE.sha256, which the help reader checks before it trusts the file.
file(SHA256 ${FILE} digest)
get_filename_component(name ${FILE} NAME)
file(WRITE ${FILE}.sha256 "${digest}  ${name}\n")
