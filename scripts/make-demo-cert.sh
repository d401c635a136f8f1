#!/bin/sh
# Makes a demo EET taxpayer certificate (PKCS#12 with private key) issued by a demo CA.
# usage: make-demo-cert.sh DIR [DIC] [PASSWORD]
#   DIR       folder for the files (created when missing)
#   DIC       taxpayer VAT number carried as the certificate's common name (default CZ1212121218)
#   PASSWORD  password of the PKCS#12 file (default "eet")
# Writes DIR/demo-ca.crt, DIR/demo-ca.key and DIR/demo-DIC.p12. Existing files are kept, so running
# it again changes nothing.
set -eu

if [ $# -lt 1 ]; then
    echo "usage: $0 DIR [DIC] [PASSWORD]" >&2
    exit 2
fi
dir=$1
dic=${2:-CZ1212121218}
password=${3:-eet}

case $dic in
    CZ[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9] | CZ[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9] | \
    CZ[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]) ;;
    *) echo "$0: DIČ must be CZ followed by 8 to 10 digits: $dic" >&2; exit 2 ;;
esac

mkdir -p "$dir"
p12=$dir/demo-$dic.p12
if [ -f "$p12" ]; then
    echo "$p12"
    exit 0
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if [ ! -f "$dir/demo-ca.crt" ] || [ ! -f "$dir/demo-ca.key" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 \
        -subj "/DC=CZ/O=Vornix demo/CN=EET CA Demo" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
        -keyout "$tmp/ca.key" -out "$tmp/ca.crt" 2>/dev/null
    mv "$tmp/ca.key" "$dir/demo-ca.key"
    mv "$tmp/ca.crt" "$dir/demo-ca.crt"
    chmod 600 "$dir/demo-ca.key"
fi

# Subject shaped like the EET certificates: DC=CZ, CN=<DIČ>, description=<kind of taxpayer>.
openssl req -new -newkey rsa:2048 -nodes -sha256 \
    -subj "/DC=CZ/CN=$dic/description=fyzicka osoba" \
    -keyout "$tmp/taxpayer.key" -out "$tmp/taxpayer.csr" 2>/dev/null
cat > "$tmp/ext.cnf" <<EXT
basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature,nonRepudiation
extendedKeyUsage=clientAuth
EXT
openssl x509 -req -in "$tmp/taxpayer.csr" -CA "$dir/demo-ca.crt" -CAkey "$dir/demo-ca.key" \
    -CAcreateserial -CAserial "$tmp/ca.srl" -days 1095 -sha256 -extfile "$tmp/ext.cnf" \
    -out "$tmp/taxpayer.crt" 2>/dev/null
openssl pkcs12 -export -inkey "$tmp/taxpayer.key" -in "$tmp/taxpayer.crt" -certfile "$dir/demo-ca.crt" \
    -name "$dic" -passout "pass:$password" -out "$tmp/demo.p12"
mv "$tmp/demo.p12" "$p12"
echo "$p12"
