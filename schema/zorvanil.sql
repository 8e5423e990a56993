-- Zorvanil database schema.
--
-- One text for DB2 and for SQLite: upper-case unquoted names, portable types only (SMALLINT,
-- INTEGER, DOUBLE, VARCHAR, CHAR, DATE, TIME, BLOB), every statement closed by a semicolon at
-- the end of its line. The column types are the record format that the server delivers: the
-- SQLite driver derives each field's type and size from the declared type.
--
--   DB2:    db2 connect to ZRV user ... using ...
--           db2 -tvf schema/zorvanil.sql
--   SQLite: sqlite3 zorvanil.db < schema/zorvanil.sql
--
-- Document line tables refer to their header with ON DELETE CASCADE, so that deleting a document
-- removes its lines (SQLite enforces this only on connections with PRAGMA foreign_keys=ON).

-- ---------------------------------------------------------------------------------------------
-- Companies, series, counters, payment methods, VAT rates
-- ---------------------------------------------------------------------------------------------

CREATE TABLE EMPRESAS (
    ID_EMPRESA      SMALLINT NOT NULL,
    EMPRESA         SMALLINT,
    NOMBRE          VARCHAR(100),
    CIF_EMPRESA     VARCHAR(15),
    TIPO            SMALLINT,
    AVISAR          INTEGER,
    SIG_FACTURA     INTEGER,
    PRIMARY KEY (ID_EMPRESA)
);

CREATE TABLE SERIES (
    ID_EMPRESA      SMALLINT NOT NULL,
    ANYO            SMALLINT NOT NULL,
    ID_SERIE        VARCHAR(3) NOT NULL,
    PRIMARY KEY (ID_EMPRESA, ANYO, ID_SERIE)
);

CREATE TABLE OPCIONESNUMERICAS (
    ID_EMPRESA      SMALLINT NOT NULL,
    ANYO            SMALLINT NOT NULL,
    ID_COBRO        INTEGER,
    ID_ENTRADA      INTEGER,
    ID_PRESUPUESTO  INTEGER,
    ID_SALIDA       SMALLINT,
    ID_AVISO        INTEGER,
    PRIMARY KEY (ID_EMPRESA, ANYO)
);

CREATE TABLE FORMAPAGO (
    ID_FORMA        VARCHAR(5) NOT NULL,
    DESCRIPCION     VARCHAR(50),
    PRIMARY KEY (ID_FORMA)
);

CREATE TABLE TIPOSIVA (
    TIPO            SMALLINT NOT NULL,
    PRIMARY KEY (TIPO)
);

-- ---------------------------------------------------------------------------------------------
-- Customers and suppliers
-- ---------------------------------------------------------------------------------------------

CREATE TABLE CLIENTES (
    ID_CLIENTE      INTEGER NOT NULL,
    NIF             VARCHAR(20),
    NOMBRE          VARCHAR(50),
    NOMBRE_COMERCIAL VARCHAR(100),
    BORRADO         SMALLINT,
    PRIMARY KEY (ID_CLIENTE)
);

CREATE INDEX CLIENTES_NIF ON CLIENTES (NIF);

CREATE INDEX CLIENTES_NOMBRE ON CLIENTES (NOMBRE);

CREATE TABLE PROVEEDOR_ACREEDOR (
    ID_PROVEEDOR    INTEGER NOT NULL,
    NOMBRE          VARCHAR(100),
    NIF             VARCHAR(20),
    DIRECCION       VARCHAR(100),
    POBLACION       VARCHAR(50),
    COD_POSTAL      VARCHAR(10),
    PROVINCIA       VARCHAR(30),
    MISMA_DIRECCION SMALLINT,
    DIRECCION_POSTAL VARCHAR(100),
    POBLACION_POSTAL VARCHAR(50),
    COD_POSTAL_POSTAL VARCHAR(10),
    PROVINCIA_POSTAL VARCHAR(30),
    TELEFONO        VARCHAR(15),
    FAX             VARCHAR(15),
    EMAIL           VARCHAR(100),
    HTTP            VARCHAR(100),
    OBSERVACIONES   VARCHAR(200),
    BORRADO         SMALLINT,
    PRIMARY KEY (ID_PROVEEDOR)
);

CREATE INDEX PROVEEDOR_ACREEDOR_NIF ON PROVEEDOR_ACREEDOR (NIF);

CREATE INDEX PROVEEDOR_ACREEDOR_NOMBRE ON PROVEEDOR_ACREEDOR (NOMBRE);

-- The accounting types of a supplier: the lines of the supplier document.
CREATE TABLE TIPOS (
    ID_PROVEEDOR    INTEGER NOT NULL,
    ID_TIPO         INTEGER NOT NULL,
    SUBCUENTA       VARCHAR(12),
    PRIMARY KEY (ID_PROVEEDOR, ID_TIPO),
    CONSTRAINT TIPOS_PROVEEDOR FOREIGN KEY (ID_PROVEEDOR)
        REFERENCES PROVEEDOR_ACREEDOR (ID_PROVEEDOR) ON DELETE CASCADE
);

-- ---------------------------------------------------------------------------------------------
-- Articles, families, colours, bar codes, supplier price lists
-- ---------------------------------------------------------------------------------------------

-- Families form a tree: the code of a family begins with the code of its parent, and
-- PROFUNDIDAD is its depth (1 for the top level).
CREATE TABLE FAMILIAS (
    COD_FAMILIA     VARCHAR(30) NOT NULL,
    DESCRIPCION     VARCHAR(100),
    PROFUNDIDAD     SMALLINT,
    PRIMARY KEY (COD_FAMILIA)
);

CREATE TABLE COLORES (
    ID_COLOR        VARCHAR(5) NOT NULL,
    DESCRIPCION     VARCHAR(50),
    PRIMARY KEY (ID_COLOR)
);

-- Columns in the order of the article record that clients receive.
CREATE TABLE ARTICULOS (
    COD_ARTICULO    INTEGER NOT NULL,
    COD_FAMILIA     VARCHAR(30) NOT NULL,
    PROFUNDIDAD     SMALLINT NOT NULL,
    ID_ARTICULO     VARCHAR(30) NOT NULL,
    DESCRIPCION     VARCHAR(250),
    DESCRIPCIONTICKET VARCHAR(50),
    BENEFICIO       DOUBLE,
    PRECIO_COSTE    DOUBLE,
    PRECIO_MAX_COSTE DOUBLE,
    PRECIO_MIN_COSTE DOUBLE,
    PRECIO_MED_COSTE DOUBLE,
    PRECIO_VENTA    DOUBLE,
    IVA             DOUBLE,
    BRAZOS          INTEGER,
    ID_COLOR        VARCHAR(5),
    PVPCAT          DOUBLE,
    DESCUENTO       DOUBLE,
    MARCA           VARCHAR(10),
    IMAGEN          BLOB,
    TRANS           DOUBLE,
    ART_PROVEEDOR   VARCHAR(30),
    ID_PROVEEDOR    INTEGER,
    OBSERVACIONES   VARCHAR(150),
    OLDART_PROVEEDOR VARCHAR(30),
    OLDID_PROVEEDOR INTEGER,
    MOSTRARIMAGEN   SMALLINT,
    MOSTRARDESCRIPCION SMALLINT,
    POSICION        SMALLINT,
    POSICIONUSO     SMALLINT,
    DESCRIPCIONBOTON VARCHAR(50),
    MOSTRARPOSICION SMALLINT,
    MOSTRARPOSICIONUSO SMALLINT,
    BORRADO         SMALLINT,
    ALMACENABLEBORRAR DOUBLE,
    ALMACENABLE     SMALLINT,
    TRANSPORTES     SMALLINT,
    FINANCIEROS     SMALLINT,
    OTROSCOSTES     SMALLINT,
    PVPPROV         DOUBLE,
    PVP2            DOUBLE,
    FMODIFICACION   DATE,
    CONTADOR        INTEGER,
    PRIMARY KEY (ID_ARTICULO)
);

CREATE UNIQUE INDEX ARTICULOS_COD_ARTICULO ON ARTICULOS (COD_ARTICULO);

CREATE INDEX ARTICULOS_DESCRIPCION ON ARTICULOS (DESCRIPCION);

CREATE INDEX ARTICULOS_ART_PROVEEDOR ON ARTICULOS (ART_PROVEEDOR);

CREATE INDEX ARTICULOS_COD_FAMILIA ON ARTICULOS (COD_FAMILIA);

CREATE INDEX ARTICULOS_ID_PROVEEDOR ON ARTICULOS (ID_PROVEEDOR);

-- The bar codes of an article: one article may have several, a bar code names one article.
CREATE TABLE EAN (
    EAN             VARCHAR(40) NOT NULL,
    ID_ARTICULO     VARCHAR(30) NOT NULL,
    PRIMARY KEY (EAN)
);

CREATE INDEX EAN_ID_ARTICULO ON EAN (ID_ARTICULO);

-- Columns in the order of the price-list record that clients receive.
CREATE TABLE TARIFAS_PROVEEDORES (
    ID_PROVEEDOR    INTEGER NOT NULL,
    ART_PROVEEDOR   VARCHAR(30) NOT NULL,
    ID_ARTICULO     VARCHAR(30),
    GRUPO           VARCHAR(30),
    GDESCRIPCION    VARCHAR(100),
    NOMBRE          VARCHAR(100),
    OBSERVACIONES   VARCHAR(150),
    FECHA           DATE,
    DIAS_SUMINISTRO SMALLINT,
    EAN_FABRICANTE  VARCHAR(40),
    MARCA           VARCHAR(10),
    BRAZOS          SMALLINT,
    ID_COLOR        VARCHAR(5),
    PRECIO          DOUBLE,
    DESCUENTO       DOUBLE,
    NETO            DOUBLE,
    IVA             DOUBLE,
    PVPCAT          DOUBLE,
    PRIMARY KEY (ID_PROVEEDOR, ART_PROVEEDOR)
);

CREATE INDEX TARIFAS_PROVEEDORES_ART ON TARIFAS_PROVEEDORES (ART_PROVEEDOR);

CREATE INDEX TARIFAS_PROVEEDORES_NOMBRE ON TARIFAS_PROVEEDORES (NOMBRE);

CREATE INDEX TARIFAS_PROVEEDORES_ARTICULO ON TARIFAS_PROVEEDORES (ID_ARTICULO);

-- ---------------------------------------------------------------------------------------------
-- Stock: per article and company, and per bar code
-- ---------------------------------------------------------------------------------------------

-- AVISAR is the alert level: an article is reported when CANTIDAD falls to it or below.
CREATE TABLE ALMACEN (
    ID_ARTICULO     VARCHAR(30) NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    DESCRIPCION     VARCHAR(250),
    MARCA           VARCHAR(10),
    CANTIDAD        DOUBLE,
    AVISAR          INTEGER,
    PRIMARY KEY (ID_ARTICULO, ID_EMPRESA)
);

CREATE INDEX ALMACEN_DESCRIPCION ON ALMACEN (DESCRIPCION);

CREATE TABLE ALMACENDETALLE (
    CODIGO_BARRAS   VARCHAR(40) NOT NULL,
    CANTIDAD        DOUBLE,
    PRIMARY KEY (CODIGO_BARRAS)
);

-- The second per-bar-code ledger is keyed by its own number, so a bar code may appear twice.
CREATE TABLE ALMACENDETALLE2 (
    NUMERO1         INTEGER NOT NULL,
    CODIGO_BARRAS   VARCHAR(40) NOT NULL,
    CANTIDAD        DOUBLE,
    PRIMARY KEY (NUMERO1)
);

CREATE INDEX ALMACENDETALLE2_CODIGO ON ALMACENDETALLE2 (CODIGO_BARRAS);

-- ---------------------------------------------------------------------------------------------
-- Quotes
-- ---------------------------------------------------------------------------------------------

CREATE TABLE PRESUPUESTOS (
    ID_PRESUPUESTO  INTEGER NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ANYO            SMALLINT NOT NULL,
    ID_CLIENTE      INTEGER,
    BASE_PRESUPUESTO DOUBLE,
    BASE_PRESUPUESTOSINIVA DOUBLE,
    FECHA           DATE,
    DESCUENTO       DOUBLE,
    IVA             DOUBLE,
    VALIDEZ         DATE,
    OBSERVACIONES   VARCHAR(200),
    RE              DOUBLE,
    PRIMARY KEY (ID_PRESUPUESTO, ID_EMPRESA, ANYO)
);

CREATE INDEX PRESUPUESTOS_CLIENTE ON PRESUPUESTOS (ID_CLIENTE);

CREATE TABLE LINEAS_PRESUPUESTO (
    ID_PRESUPUESTO  INTEGER NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ANYO            SMALLINT NOT NULL,
    LINEA           INTEGER NOT NULL,
    ID_ARTICULO     VARCHAR(30),
    DESCRIPCION     VARCHAR(250),
    MARCA           VARCHAR(10),
    ART_PROVEEDOR   VARCHAR(30),
    ID_PROVEEDOR    INTEGER,
    CANTIDAD        DOUBLE,
    PRECIO          DOUBLE,
    DESCUENTO       DOUBLE,
    IVA             DOUBLE,
    IMPORTE         DOUBLE,
    IMPORTE_FACT    DOUBLE,
    BASE_LINEA      DOUBLE,
    PRECIO_COSTE    DOUBLE,
    ESTADO          VARCHAR(15),
    PRIMARY KEY (ID_PRESUPUESTO, ID_EMPRESA, ANYO, LINEA),
    CONSTRAINT LINEAS_PRESUPUESTO_DOC FOREIGN KEY (ID_PRESUPUESTO, ID_EMPRESA, ANYO)
        REFERENCES PRESUPUESTOS (ID_PRESUPUESTO, ID_EMPRESA, ANYO) ON DELETE CASCADE
);

-- ---------------------------------------------------------------------------------------------
-- Delivery notes
-- ---------------------------------------------------------------------------------------------

CREATE TABLE ALBARANES (
    ID_ALBARAN      INTEGER NOT NULL,
    ANYO            SMALLINT NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ID_SERIE        VARCHAR(3) NOT NULL,
    FECHA           DATE,
    HORA            TIME,
    FECHAFIN        DATE,
    ID_CLIENTE      INTEGER,
    OBSERVACIONES   VARCHAR(200),
    ID_PRESUPUESTO  INTEGER,
    ANULADO         SMALLINT,
    COBRADO         SMALLINT,
    ID_FORMA        VARCHAR(5),
    HORACOBRO       TIME,
    FECHACOBRO      DATE,
    IVA             DOUBLE,
    BASE_ALBARAN    DOUBLE,
    BASE_ALBARANSINIVA DOUBLE,
    DESCUENTO       DOUBLE,
    RE              DOUBLE,
    TOTAL_COBRADO   DOUBLE,
    DESCUENTOEURO   DOUBLE,
    ENTREGA         DOUBLE,
    DEVOLUCION      DOUBLE,
    TOTALCOBRADO    DOUBLE,
    TOTALDESCUENTO  DOUBLE,
    PRIMARY KEY (ID_ALBARAN, ANYO, ID_EMPRESA, ID_SERIE)
);

CREATE INDEX ALBARANES_CLIENTE ON ALBARANES (ID_CLIENTE);

CREATE TABLE LIN_ALBARAN (
    ID_ALBARAN      INTEGER NOT NULL,
    ANYO            SMALLINT NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ID_SERIE        VARCHAR(3) NOT NULL,
    LINEA           INTEGER NOT NULL,
    ID_ARTICULO     VARCHAR(30),
    CODIGO_BARRAS   VARCHAR(40),
    DESCRIPCION     VARCHAR(250),
    MARCA           VARCHAR(10),
    CANTIDAD        DOUBLE,
    PRECIO          DOUBLE,
    DESCUENTO       DOUBLE,
    IVA             DOUBLE,
    IMPORTE         DOUBLE,
    PRIMARY KEY (ID_ALBARAN, ANYO, ID_EMPRESA, ID_SERIE, LINEA),
    CONSTRAINT LIN_ALBARAN_DOC FOREIGN KEY (ID_ALBARAN, ANYO, ID_EMPRESA, ID_SERIE)
        REFERENCES ALBARANES (ID_ALBARAN, ANYO, ID_EMPRESA, ID_SERIE) ON DELETE CASCADE
);

-- ---------------------------------------------------------------------------------------------
-- Invoices
-- ---------------------------------------------------------------------------------------------

-- One row is both the invoice document (ID_FACTURA ... TOTALDESCUENTO) and its entry in the
-- invoice register (NUM_FACT ... ULT_FACTURA, COBRADO and IVA being shared). The register
-- provider writes rows that carry only the register columns, and the document provider rows
-- that carry only the document columns, so neither set can be NOT NULL and the document key is
-- a unique index rather than a primary key.
CREATE TABLE FACTURAS (
    ID_FACTURA      INTEGER,
    ANYO            SMALLINT,
    ID_EMPRESA      SMALLINT,
    ID_SERIE        VARCHAR(3),
    FECHA           DATE,
    HORA            TIME,
    ID_CLIENTE      INTEGER,
    OBSERVACIONES   VARCHAR(200),
    ID_PRESUPUESTO  INTEGER,
    ID_ALBARAN      INTEGER,
    ALBANYO         SMALLINT,
    ALBID_SERIE     VARCHAR(3),
    ID_TICKET       INTEGER,
    TICANYO         SMALLINT,
    TICID_SERIE     VARCHAR(3),
    ANULADO         SMALLINT,
    COBRADO         SMALLINT,
    ASIENTO         INTEGER,
    ID_FORMA        VARCHAR(5),
    IMPRESO         SMALLINT,
    HORACOBRO       TIME,
    FECHACOBRO      DATE,
    IVA             DOUBLE,
    BASE_FACTURA    DOUBLE,
    DESCUENTO       DOUBLE,
    RE              DOUBLE,
    TOTAL_COBRADO   DOUBLE,
    DESCUENTOEURO   DOUBLE,
    ENTREGA         DOUBLE,
    DEVOLUCION      DOUBLE,
    TOTALCOBRADO    DOUBLE,
    TOTALDESCUENTO  DOUBLE,
    NUM_FACT        INTEGER,
    BASE_FACT       DOUBLE,
    EMPRESA         SMALLINT,
    NIF             CHAR(9),
    FECHA_FACTURA   DATE,
    IMPORTEIVA      DOUBLE,
    ULT_FACTURA     SMALLINT
);

CREATE UNIQUE INDEX FACTURAS_DOCUMENTO ON FACTURAS (ID_FACTURA, ANYO, ID_EMPRESA, ID_SERIE);

CREATE INDEX FACTURAS_CLIENTE ON FACTURAS (ID_CLIENTE);

CREATE INDEX FACTURAS_REGISTRO ON FACTURAS (EMPRESA, NUM_FACT);

CREATE INDEX FACTURAS_FECHA_FACTURA ON FACTURAS (FECHA_FACTURA);

-- No foreign key to FACTURAS: DB2 lets a foreign key refer only to a primary key or a unique
-- constraint, and the invoice's document key is neither (see above).
CREATE TABLE LINEAS_FACTURA (
    ID_FACTURA      INTEGER NOT NULL,
    ANYO            SMALLINT NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ID_SERIE        VARCHAR(3) NOT NULL,
    LINEA           INTEGER NOT NULL,
    ID_ARTICULO     VARCHAR(30),
    CODIGO_BARRAS   VARCHAR(40),
    DESCRIPCION     VARCHAR(250),
    MARCA           VARCHAR(10),
    CANTIDAD        DOUBLE,
    PRECIO          DOUBLE,
    DESCUENTO       DOUBLE,
    IVA             DOUBLE,
    IMPORTE         DOUBLE,
    PRIMARY KEY (ID_FACTURA, ANYO, ID_EMPRESA, ID_SERIE, LINEA)
);

-- Numbers of deleted invoices: NUEVA 0 marks a number that may be given again.
CREATE TABLE FACTURASBORRADAS (
    EMPRESA         SMALLINT NOT NULL,
    NUM_FACT        INTEGER NOT NULL,
    NUEVA           SMALLINT,
    PRIMARY KEY (EMPRESA, NUM_FACT)
);

-- The delivery notes that an invoice was made from.
CREATE TABLE FACTURASALBARANES (
    ID_FACTURA      INTEGER NOT NULL,
    ANYO            SMALLINT NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ID_SERIE        VARCHAR(3) NOT NULL,
    ID_ALBARAN      INTEGER NOT NULL,
    ALBANYO         SMALLINT NOT NULL,
    ALBID_SERIE     VARCHAR(3) NOT NULL,
    PRIMARY KEY (ID_FACTURA, ANYO, ID_EMPRESA, ID_SERIE, ID_ALBARAN, ALBANYO, ALBID_SERIE)
);

-- ---------------------------------------------------------------------------------------------
-- Till tickets
-- ---------------------------------------------------------------------------------------------

CREATE TABLE TICKET (
    ID_TICKET       INTEGER NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ANYO            SMALLINT NOT NULL,
    ID_SERIE        VARCHAR(3) NOT NULL,
    IMPRESO         SMALLINT,
    ID_CLIENTE      INTEGER NOT NULL,
    COBRADO         SMALLINT,
    FORMAPAGO       VARCHAR(5),
    HORACOBRO       TIME,
    FECHACOBRO      DATE,
    HORA            TIME,
    FECHA           DATE,
    DESCUENTO       DOUBLE,
    DESCUENTOEURO   DOUBLE,
    BASE_TICKET     DOUBLE,
    BASE_TICKETSINIVA DOUBLE,
    IVA             DOUBLE,
    ENTREGA         DOUBLE,
    DEVOLUCION      DOUBLE,
    TOTALCOBRADO    DOUBLE,
    TOTALDESCUENTO  DOUBLE,
    PRIMARY KEY (ID_TICKET, ID_EMPRESA, ANYO, ID_SERIE)
);

CREATE INDEX TICKET_CLIENTE ON TICKET (ID_CLIENTE);

CREATE TABLE LINEA_TICKET (
    ID_TICKET       INTEGER NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ANYO            SMALLINT NOT NULL,
    ID_SERIE        VARCHAR(3) NOT NULL,
    LINEA           INTEGER NOT NULL,
    ID_ARTICULO     VARCHAR(30),
    CODIGO_BARRAS   VARCHAR(40),
    DESCRIPCION     VARCHAR(250),
    MARCA           VARCHAR(10),
    CANTIDAD        DOUBLE,
    PRECIO          DOUBLE,
    DESCUENTO       DOUBLE,
    IVA             DOUBLE,
    IMPORTE         DOUBLE,
    PRIMARY KEY (ID_TICKET, ID_EMPRESA, ANYO, ID_SERIE, LINEA),
    CONSTRAINT LINEA_TICKET_DOC FOREIGN KEY (ID_TICKET, ID_EMPRESA, ANYO, ID_SERIE)
        REFERENCES TICKET (ID_TICKET, ID_EMPRESA, ANYO, ID_SERIE) ON DELETE CASCADE
);

-- ---------------------------------------------------------------------------------------------
-- Payments
-- ---------------------------------------------------------------------------------------------

-- A payment of one document: TIPO names the kind of document, ID its number, ID_SERIE and
-- ANYOSERIE its series and year. Its lines are the instalments.
CREATE TABLE COBRO (
    ID_COBRO        INTEGER NOT NULL,
    ANYO            SMALLINT NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ID_SERIE        VARCHAR(3),
    ANYOSERIE       SMALLINT,
    TIPO            VARCHAR(10),
    ID              INTEGER,
    ID_CLIENTE      INTEGER,
    OBSERVACIONES   VARCHAR(200),
    BASE            DOUBLE,
    ESTADO          VARCHAR(15),
    TOTAL_COBRADO   DOUBLE,
    PRIMARY KEY (ID_COBRO, ANYO, ID_EMPRESA)
);

CREATE INDEX COBRO_CLIENTE ON COBRO (ID_CLIENTE);

CREATE TABLE LINEAS_COBRO (
    ID_COBRO        INTEGER NOT NULL,
    ANYO            SMALLINT NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    LINEA           INTEGER NOT NULL,
    FECHA           DATE,
    IMPORTE         DOUBLE,
    ID_FORMA        VARCHAR(5),
    PRIMARY KEY (ID_COBRO, ANYO, ID_EMPRESA, LINEA),
    CONSTRAINT LINEAS_COBRO_DOC FOREIGN KEY (ID_COBRO, ANYO, ID_EMPRESA)
        REFERENCES COBRO (ID_COBRO, ANYO, ID_EMPRESA) ON DELETE CASCADE
);

-- ---------------------------------------------------------------------------------------------
-- Goods received from suppliers and goods out
-- ---------------------------------------------------------------------------------------------

-- DESCUENTO and IVA are percentages of BASE_ENTRADA.
CREATE TABLE E_PROVEEDOR_ACREEDOR (
    ID_ENTRADA      INTEGER NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ANYO            SMALLINT NOT NULL,
    FECHA           DATE,
    ID_PROVEEDOR    INTEGER,
    BASE_ENTRADA    DOUBLE,
    DESCUENTO       DOUBLE,
    IVA             DOUBLE,
    PRIMARY KEY (ID_ENTRADA, ID_EMPRESA, ANYO)
);

CREATE INDEX E_PROVEEDOR_ACREEDOR_PROV ON E_PROVEEDOR_ACREEDOR (ID_PROVEEDOR);

CREATE TABLE LIN_E_PROVEEDOR_ACREEDOR (
    ID_ENTRADA      INTEGER NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ANYO            SMALLINT NOT NULL,
    LINEA           INTEGER NOT NULL,
    ID_ARTICULO     VARCHAR(30),
    DESCRIPCION     VARCHAR(250),
    MARCA           VARCHAR(10),
    CANTIDAD        DOUBLE,
    PRECIO          DOUBLE,
    DESCUENTO       DOUBLE,
    IMPORTE         DOUBLE,
    PRIMARY KEY (ID_ENTRADA, ID_EMPRESA, ANYO, LINEA),
    CONSTRAINT LIN_E_PROVEEDOR_ACREEDOR_DOC FOREIGN KEY (ID_ENTRADA, ID_EMPRESA, ANYO)
        REFERENCES E_PROVEEDOR_ACREEDOR (ID_ENTRADA, ID_EMPRESA, ANYO) ON DELETE CASCADE
);

CREATE TABLE SALIDA (
    ID_SALIDA       INTEGER NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ANYO            SMALLINT NOT NULL,
    FECHA           DATE,
    OBSERVACIONES   VARCHAR(200),
    PRIMARY KEY (ID_SALIDA, ID_EMPRESA, ANYO)
);

CREATE TABLE LINEA_SALIDA (
    ID_SALIDA       INTEGER NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ANYO            SMALLINT NOT NULL,
    LINEA           INTEGER NOT NULL,
    ID_ARTICULO     VARCHAR(30),
    CODIGO_BARRAS   VARCHAR(40),
    DESCRIPCION     VARCHAR(250),
    MARCA           VARCHAR(10),
    CANTIDAD        DOUBLE,
    PRIMARY KEY (ID_SALIDA, ID_EMPRESA, ANYO, LINEA),
    CONSTRAINT LINEA_SALIDA_DOC FOREIGN KEY (ID_SALIDA, ID_EMPRESA, ANYO)
        REFERENCES SALIDA (ID_SALIDA, ID_EMPRESA, ANYO) ON DELETE CASCADE
);

-- ---------------------------------------------------------------------------------------------
-- Service notices, pending customer orders, cash counts
-- ---------------------------------------------------------------------------------------------

CREATE TABLE AVISOS (
    ID_AVISO        INTEGER NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ANYO            SMALLINT NOT NULL,
    FECHA_AVISO     DATE,
    HORA            TIME,
    NOMBRE_CONTACTO VARCHAR(50),
    DIRECCION       VARCHAR(100),
    POBLACION       VARCHAR(50),
    TELEFONO        VARCHAR(15),
    MOVIL           VARCHAR(15),
    MOTIVO_AVISO    VARCHAR(100),
    COMENTARIOS     VARCHAR(250),
    FECHA_PARA_VISITA DATE,
    HORA_PARA_VISITA TIME,
    ESTADO          VARCHAR(15),
    REALIZADO       SMALLINT,
    OBSERVACIONES   VARCHAR(200),
    PRIMARY KEY (ID_AVISO, ID_EMPRESA, ANYO)
);

CREATE INDEX AVISOS_CONTACTO ON AVISOS (NOMBRE_CONTACTO);

-- Goods that customers ordered and that are still to be delivered. PEDIDO is 1 once the goods
-- have been ordered from the supplier.
CREATE TABLE PEDIDOSPENDIENTES (
    ID_EMPRESA      SMALLINT NOT NULL,
    LINEA           INTEGER NOT NULL,
    FECHA_NOTA      DATE,
    FECHA_PEDIDO    DATE,
    ID_CLIENTE      INTEGER,
    NOMBRE_CONTACTO VARCHAR(50),
    ID_PROVEEDOR    INTEGER,
    ART_PROVEEDOR   VARCHAR(30),
    ID_ARTICULO     VARCHAR(30),
    MARCA           VARCHAR(10),
    DESCRIPCION     VARCHAR(250),
    BRAZOS          INTEGER,
    ID_COLOR        VARCHAR(5),
    CANTIDAD        DOUBLE,
    PEDIDO          SMALLINT,
    COMENTARIOS     VARCHAR(250),
    PRIMARY KEY (ID_EMPRESA, LINEA)
);

-- One count of the till: the opening balance, what the day's sales took in by payment kind,
-- what was counted, and the difference.
CREATE TABLE ARQUEODECAJA (
    ID_ARQUEO       INTEGER NOT NULL,
    ID_EMPRESA      SMALLINT NOT NULL,
    ANYO            SMALLINT NOT NULL,
    AFECHA          DATE NOT NULL,
    AHORA           TIME,
    SALDO_INICIAL   DOUBLE,
    EFECTIVO        DOUBLE,
    TARJETA         DOUBLE,
    OTROS           DOUBLE,
    CONTADO         DOUBLE,
    DIFERENCIA      DOUBLE,
    OBSERVACIONES   VARCHAR(200),
    PRIMARY KEY (ID_ARQUEO, ID_EMPRESA, ANYO)
);

CREATE INDEX ARQUEODECAJA_FECHA ON ARQUEODECAJA (ID_EMPRESA, AFECHA);

-- ---------------------------------------------------------------------------------------------
-- The server's own
-- ---------------------------------------------------------------------------------------------

-- The answers of applies made under a client's request id, recorded in the apply's own
-- transaction, so that an apply sent again after a lost answer is answered again rather than
-- made twice. RECORDED_AT is in seconds since 1970, and older records are purged after
-- --request-id-max-age. The server creates the table on a database that lacks it.
CREATE TABLE ZRV_APPLY_REQUEST (
    REQUEST_ID      VARCHAR(128) NOT NULL,
    REQUEST_DIGEST  CHAR(64) NOT NULL,
    RESULT_PACKET   BLOB,
    ERROR_COUNT     INTEGER NOT NULL,
    OWNER_DATA      BLOB,
    RECORDED_AT     BIGINT NOT NULL,
    PRIMARY KEY (REQUEST_ID)
);

CREATE INDEX ZRV_APPLY_REQUEST_AGE ON ZRV_APPLY_REQUEST (RECORDED_AT);
