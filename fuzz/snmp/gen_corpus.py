#!/usr/bin/python3
"""Writes the seed corpus: valid SNMPv1 GetResponses (and one request) encoded by pysnmp
(python3-pysnmp4), one file each, covering every value type the manager meets.

Run with Debian's interpreter: /usr/bin/python3 gen_corpus.py corpus/
"""
import os
import sys

from pyasn1.codec.ber import encoder
from pysnmp.proto import api

v1 = api.protoModules[api.protoVersion1]


def response(request_id, error_status, varbinds, community='orchid', pdu=None):
    pdu = pdu or v1.GetResponsePDU()
    v1.apiPDU.setDefaults(pdu)
    v1.apiPDU.setRequestID(pdu, request_id)
    v1.apiPDU.setErrorStatus(pdu, error_status)
    v1.apiPDU.setErrorIndex(pdu, 1 if error_status else 0)
    v1.apiPDU.setVarBinds(pdu, varbinds)
    msg = v1.Message()
    v1.apiMessage.setDefaults(msg)
    v1.apiMessage.setCommunity(msg, community)
    v1.apiMessage.setPDU(msg, pdu)
    return bytes(encoder.encode(msg))


SEEDS = {
    'model': response(1, 0, [('1.3.6.1.2.1.25.3.2.1.3.1', v1.OctetString(b'Quillfen LX-9'))]),
    'status_text': response(2, 0, [('1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.1.0',
                                    v1.OctetString(b'Ready\x00XYZ'))]),
    'nosuchname': response(3, 2, [('1.3.6.1.2.1.43.16.5.1.2.1.1', v1.Null(''))]),
    'integers': response(0x7FFFFFFF, 0, [('1.3.6.1.2.1.43.11.1.1.8.1.1', v1.Integer(-2)),
                                         ('1.3.6.1.2.1.43.11.1.1.9.1.1', v1.Integer(2147483647))]),
    'unsigned': response(5, 0, [('1.3.6.1.2.1.1.3.0', v1.TimeTicks(4294967295)),
                                ('1.3.6.1.2.1.2.2.1.10.1', v1.Counter(123456)),
                                ('1.3.6.1.2.1.2.2.1.5.1', v1.Gauge(0))]),
    'oid_ip_opaque': response(6, 0, [('1.3.6.1.2.1.1.2.0', v1.ObjectIdentifier('2.999.4294967295')),
                                     ('1.3.6.1.2.1.4.20.1.1.1', v1.IpAddress('192.168.1.10')),
                                     ('1.3.6.1.4.1.1.1', v1.Opaque(b'WXYZ'))]),
    'long_string': response(7, 5, [('1.3.6.1.2.1.1.1.0', v1.OctetString(b'x' * 300))]),
    'console_lines': response(8, 0, [('1.3.6.1.2.1.43.16.5.1.2.1.%d' % i,
                                      v1.OctetString(b'line %d' % i)) for i in range(1, 9)]),
    'request': response(9, 0, [('1.3.6.1.2.1.1.1.0', v1.Null(''))], pdu=v1.GetRequestPDU()),
}

# Hand-made: types pysnmp's v1 model has no class for, which the decoder must still accept.
def tlv(tag, content):
    n = len(content)
    length = bytes([n]) if n < 0x80 else bytes([0x81, n]) if n < 0x100 else bytes([0x82, n >> 8, n & 0xFF])
    return bytes([tag]) + length + content


def varbind(name, value):
    return tlv(0x30, tlv(0x06, name) + value)


SEEDS['counter64_and_exceptions'] = tlv(0x30, tlv(0x02, b'\x00') + tlv(0x04, b'orchid') + tlv(
    0xA2, tlv(0x02, b'\x0a') + tlv(0x02, b'\x00') + tlv(0x02, b'\x00') + tlv(0x30, b''.join([
        varbind(b'\x2b\x06\x01', tlv(0x46, b'\x01\x00\x00\x00\x00\x00')),
        varbind(b'\x2b\x06\x02', tlv(0x80, b'')),
        varbind(b'\x2b\x06\x03', tlv(0x81, b'')),
        varbind(b'\x2b\x06\x04', tlv(0x82, b'')),
        varbind(b'\x2b\x06\x05', tlv(0x30, tlv(0x02, b'\x07') + tlv(0x30, tlv(0x04, b'')))),
    ]))))

out = sys.argv[1] if len(sys.argv) > 1 else 'corpus'
os.makedirs(out, exist_ok=True)
for name, data in SEEDS.items():
    if data:
        with open(os.path.join(out, name + '.ber'), 'wb') as f:
            f.write(data)
