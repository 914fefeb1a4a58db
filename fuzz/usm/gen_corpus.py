#!/usr/bin/python3
"""Writes the seed corpus: SNMPv3 messages and scoped PDUs laid out by hand from RFC 3412's
and RFC 3414's ASN.1 (independently of the codec under test), one file each: a discovery
request, the unknownEngineID report, authenticated requests and responses, an encrypted one,
and plaintext scoped PDUs with and without DES padding.

Run: python3 gen_corpus.py corpus/
"""
import os
import sys


def tlv(tag, content):
    n = len(content)
    if n < 0x80:
        length = bytes([n])
    elif n <= 0xFF:
        length = bytes([0x81, n])
    else:
        length = bytes([0x82, n >> 8, n & 0xFF])
    return bytes([tag]) + length + content


def integer(value):
    return tlv(0x02, value.to_bytes((value.bit_length() + 8) // 8 or 1, 'big', signed=True))


def octets(data):
    return tlv(0x04, data)


def oid(text):
    arcs = [int(a) for a in text.split('.')]
    subs = [arcs[0] * 40 + arcs[1]] + arcs[2:]
    out = b''
    for sub in subs:
        chunk = [sub & 0x7F]
        sub >>= 7
        while sub:
            chunk.insert(0, 0x80 | (sub & 0x7F))
            sub >>= 7
        out += bytes(chunk)
    return tlv(0x06, out)


def pdu(tag, request_id, bindings):
    varbinds = b''.join(tlv(0x30, oid(name) + value) for name, value in bindings)
    return tlv(tag, integer(request_id) + integer(0) + integer(0) + tlv(0x30, varbinds))


def scoped(engine, context, inner):
    return tlv(0x30, octets(engine) + octets(context) + inner)


def message(msg_id, flags, engine, boots, time, user, auth, priv, data):
    header = tlv(0x30, integer(msg_id) + integer(65507) + octets(bytes([flags])) + integer(3))
    usm = tlv(0x30, octets(engine) + integer(boots) + integer(time) + octets(user) +
              octets(auth) + octets(priv))
    return tlv(0x30, integer(3) + header + octets(usm) + data)


ENGINE = bytes.fromhex('80001f8880e9bd0c1d12e4a25e')
FUZZ_ENGINE = bytes.fromhex('80001f8804') + b'fuzz'  # fuzz_usm_session's engine
SYS_DESCR = '1.3.6.1.2.1.1.1.0'
NULL = b'\x05\x00'
DESCR = octets(b'Vellumark printer')

SEEDS = {
    'discovery': message(1, 0x04, b'', 0, 0, b'', b'', b'', scoped(b'', b'', pdu(0xA0, 7, []))),
    'unknown_engine_report': message(
        1, 0x00, ENGINE, 3, 5000, b'', b'', b'',
        scoped(ENGINE, b'', pdu(0xA8, 7, [('1.3.6.1.6.3.15.1.1.4.0', tlv(0x41, b'\x01'))]))),
    'wrong_digest_report': message(
        99, 0x00, ENGINE, 7, 1000, b'fuzzer', b'', b'',
        scoped(ENGINE, b'', pdu(0xA8, 7, [('1.3.6.1.6.3.15.1.1.5.0', tlv(0x41, b'\x02'))]))),
    'auth_response': message(
        99, 0x01, ENGINE, 7, 1000, b'fuzzer', bytes(24), b'',
        scoped(ENGINE, b'printer', pdu(0xA2, 7, [(SYS_DESCR, DESCR)]))),
    'priv_response': message(99, 0x03, ENGINE, 7, 1000, b'fuzzer', bytes(24),
                             bytes.fromhex('0000000700000001'), octets(bytes(range(48)))),
    # Odd first byte: the session target takes the rest as the plaintext it encrypts.
    'plain_scoped': b'\x01' + scoped(FUZZ_ENGINE, b'', pdu(0xA2, 7, [(SYS_DESCR, DESCR)])),
    'plain_scoped_padded': b'\x01' + scoped(FUZZ_ENGINE, b'', pdu(0xA2, 7, [(SYS_DESCR, NULL)])) +
    bytes(5),
    # For fuzz_usm_agent: a GET as plaintext (odd first byte) and as a datagram from its user.
    'plain_scoped_get': b'\x01' + scoped(FUZZ_ENGINE, b'', pdu(0xA0, 8, [(SYS_DESCR, NULL)])),
    'auth_get': message(5, 0x05, FUZZ_ENGINE, 3, 0, b'reader', bytes(12), b'',
                        scoped(FUZZ_ENGINE, b'', pdu(0xA0, 8, [(SYS_DESCR, NULL)]))),
    'scoped_report': scoped(ENGINE, b'', pdu(0xA8, 7, [('1.3.6.1.6.3.15.1.1.2.0', integer(1))])),
}

if __name__ == '__main__':
    folder = sys.argv[1] if len(sys.argv) > 1 else 'corpus'
    os.makedirs(folder, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(folder, name + '.ber'), 'wb') as f:
            f.write(data)
