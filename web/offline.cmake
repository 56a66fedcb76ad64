# Writes the service worker from its template (cmake -P, with DIR, TEMPLATE and
# FILES, comma-separated): the files it keeps and a cache name made from their
# content.
cmake_minimum_required(VERSION 3.25)
string(REPLACE "," ";" FILES "${FILES}")
set(content "")
set(list "'./'")
foreach(file ${FILES})
  file(SHA256 ${DIR}/${file} hash)
  string(APPEND content ${hash})
  string(APPEND list ", '${file}'")
endforeach()
string(SHA256 version "${content}")
string(SUBSTRING ${version} 0 16 version)
file(READ ${TEMPLATE} text)
string(REPLACE "@VERSION@" "${version}" text "${text}")
string(REPLACE "@FILES@" "${list}" text "${text}")
file(WRITE ${DIR}/sw.js "${text}")
