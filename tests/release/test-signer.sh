# Throwaway signing material for the release tests, made with openssl at test time.
# Source this file.
#
# make_test_signer DIR: in DIR
#   ca.pem        a CA of its own
#   signer.pfx    a code-signing certificate and key issued by it; password in TEST_PFX_PASSWORD
#   signer.sha256 its SHA-256 fingerprint: the pinned signer (--signer)
#   other.pfx     a code-signing certificate of the same CA for "Somebody Else", same password
#   tsa.pem/.key  a time-stamping certificate issued by it
#   imposter.pem/.key  a code-signing certificate of another CA (ca2.pem; both in cas.pem)
#                 with the serial number of signer.pfx's certificate and a longer
#                 subject, so that a signature's certificates list the pinned one first
# start_test_tsa DIR: an RFC 3161 time-stamp server on 127.0.0.1 that answers with
#   openssl ts and the certificate above; sets TSA_URL and TSA_PID (end it with
#   kill "$TSA_PID").

make_test_signer() {
  local dir=$1
  mkdir -p "$dir"
  TEST_PFX_PASSWORD='throwaway pass phrase'
  (
    set -e
    cd "$dir"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Release Test CA" \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
    # issue NAME SUBJECT EXTENDED-KEY-USAGE: NAME.pem and NAME.key from the CA.
    issue() {
      openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "$2"
      printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,%s\n' "$3" >"$1.ext"
      openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile "$1.ext" -out "$1.pem"
    }
    issue signer "/CN=Release Test Signer/O=Tarvik printer add-on team" codeSigning
    issue tsa "/CN=Release Test Time-Stamps" timeStamping
    issue other "/CN=Somebody Else" codeSigning
    for name in signer other; do
      openssl pkcs12 -export -inkey $name.key -in $name.pem -certfile ca.pem -out $name.pfx \
        -passout "pass:$TEST_PFX_PASSWORD"
    done
    openssl x509 -in signer.pem -noout -fingerprint -sha256 >signer.sha256
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca2.key -out ca2.pem -days 2 -subj "/CN=Another Test CA" \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
    openssl req -newkey rsa:2048 -nodes -keyout imposter.key -out imposter.csr \
      -subj "/CN=other code signer/O=Another organisation of another CA/OU=a certificate longer than the pinned one"
    openssl x509 -req -in imposter.csr -CA ca2.pem -CAkey ca2.key -days 2 -extfile signer.ext -out imposter.pem \
      -set_serial "0x$(openssl x509 -in signer.pem -noout -serial | sed 's/^.*=//')"
    cat ca.pem ca2.pem >cas.pem
  ) >/dev/null 2>&1
}

start_test_tsa() {
  local dir=$1
  cat >"$dir/tsa.cnf" <<CNF
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = $dir/tsa.serial
signer_cert = $dir/tsa.pem
certs = $dir/ca.pem
signer_key = $dir/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha1, sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_chain = no
ess_cert_id_alg = sha256
CNF
  echo 01 >"$dir/tsa.serial"
  rm -f "$dir/tsa.port"
  python3 - "$dir" <<'PY' >/dev/null 2>&1 &
import http.server, subprocess, sys, os
d = sys.argv[1]
class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers['Content-Length']))
        reply = subprocess.run(['openssl', 'ts', '-reply', '-config', f'{d}/tsa.cnf', '-queryfile', '/dev/stdin',
                                '-out', '/dev/stdout'], input=query, capture_output=True).stdout
        self.send_response(200 if reply else 500)
        self.send_header('Content-Type', 'application/timestamp-reply')
        self.send_header('Content-Length', str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
server = http.server.HTTPServer(('127.0.0.1', 0), Handler)
open(f'{d}/tsa.port.tmp', 'w').write(str(server.server_port))
os.rename(f'{d}/tsa.port.tmp', f'{d}/tsa.port')
server.serve_forever()
PY
  TSA_PID=$!
  local i
  for i in $(seq 1 50); do
    [ -s "$dir/tsa.port" ] && break
    sleep 0.1
  done
  TSA_URL="http://127.0.0.1:$(cat "$dir/tsa.port" 2>/dev/null)/"
}
