#!/bin/sh
# Makes a throwaway CA and the server certificates the online tests need, in
# the folder given: ca.pem (trusted by the tests), good (localhost and
# 127.0.0.1, from the CA), wronghost (another name, from the CA), expired
# (from the CA, no longer valid) and selfsigned (localhost, signed by itself).
set -eu
dir=$1
cd "$dir"
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:prime256v1 -out "$1" 2>/dev/null; }
key ca.key
openssl req -x509 -new -key ca.key -out ca.pem -days 3 -subj "/CN=Quorin Test CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
sign() { # name subject-alt-names days
  key "$1.key"
  openssl req -new -key "$1.key" -out "$1.csr" -subj "/CN=$1" 2>/dev/null
  printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$2" > "$1.ext"
  openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days "$3" \
    -extfile "$1.ext" -out "$1.pem" 2>/dev/null
}
sign good "DNS:localhost,IP:127.0.0.1" 3
sign wronghost "DNS:other.example" 3
sign expired "DNS:localhost,IP:127.0.0.1" -1
key selfsigned.key
openssl req -x509 -new -key selfsigned.key -out selfsigned.pem -days 3 -subj "/CN=localhost" \
  -addext subjectAltName=DNS:localhost,IP:127.0.0.1 2>/dev/null
