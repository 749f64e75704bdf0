<?xml version="1.0" encoding="windows-1252" standalone="yes"?>
<DATAPACKET Version="2.0"><METADATA><FIELDS><FIELD attrname="IDTIPOIMPFIS" fieldtype="string" WIDTH="2"/><FIELD attrname="IDESQUEMA" fieldtype="string" WIDTH="10"/></FIELDS><PARAMS/></METADATA><ROWDATA><ROW IDTIPOIMPFIS="18" IDESQUEMA="0001"/></ROWDATA></DATAPACKET>
